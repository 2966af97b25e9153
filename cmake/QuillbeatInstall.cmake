# What `cmake --install` puts where, and the packages CPack makes of it
# (scripts/package.sh builds them all).
#
# Linux, under the prefix: the plug-in in lib/vst/ (where VST 2 hosts look,
# without the multiarch folder GNUInstallDirs would add), its CLAP edition in
# lib/clap/ (where CLAP hosts look), the render tool in
# bin/ with its man page, README and licence in share/doc/quillbeat/, and the
# factory presets in share/quillbeat/presets/; lv2/CMakeLists.txt adds the
# LV2 bundle, in lib/lv2/quillbeat.lv2/, and docs/CMakeLists.txt the HTML
# guide, in share/doc/quillbeat/guide/.
# Windows: the DLL, the CLAP edition, README and licence side by side, to be
# zipped, the guide
# in a guide/ folder and the factory presets in presets/.
if(WIN32)
  install(TARGETS quillbeat LIBRARY DESTINATION . RUNTIME DESTINATION .)
  if(TARGET quillbeat_clap)
    install(TARGETS quillbeat_clap LIBRARY DESTINATION . RUNTIME DESTINATION .)
  endif()
  install(FILES README.md LICENSE DESTINATION .)
  install(DIRECTORY ${QUILLBEAT_PRESET_FOLDER}/ DESTINATION presets FILES_MATCHING PATTERN "*.fxp")
else()
  install(TARGETS quillbeat LIBRARY DESTINATION lib/vst)
  if(TARGET quillbeat_clap)
    install(TARGETS quillbeat_clap LIBRARY DESTINATION lib/clap)
  endif()
  if(TARGET quillbeat-render)
    install(TARGETS quillbeat-render RUNTIME DESTINATION bin)
    install(FILES ${PROJECT_BINARY_DIR}/quillbeat-render.1 DESTINATION share/man/man1)
  endif()
  install(FILES README.md LICENSE DESTINATION share/doc/quillbeat)
  install(DIRECTORY ${QUILLBEAT_PRESET_FOLDER}/ DESTINATION share/quillbeat/presets FILES_MATCHING PATTERN "*.fxp")
endif()

# One version, the project's, names every artifact.
set(CPACK_PACKAGE_NAME quillbeat)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quillbeat developers")
set(CPACK_PACKAGE_CONTACT "The Quillbeat developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tempo-locked amplitude and filter gate (VST 2, LV2 and CLAP effect)")
set(CPACK_PACKAGE_DESCRIPTION "Quillbeat cuts stereo audio into a rhythm locked to the host's tempo: \
on a step grid counted from the host's position, an amplitude envelope and a low-pass filter envelope \
restart several times per step. This package holds the VST 2 plug-in, the same effect as an LV2 and as a \
CLAP plug-in, and quillbeat-render, which \
renders sound files through a VST 2 plug-in from the command line.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i[3-6]86|x86)$")
    set(windows_arch x86)
  else()
    set(windows_arch x64)
  endif()
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME Quillbeat-${PROJECT_VERSION}-windows-${windows_arch})
else()
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(aarch64|arm64)$")
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
  elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64)$")
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
  endif()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION sound)
  # dpkg-shlibdeps works the dependencies out from the binaries.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)
