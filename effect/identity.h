// Who the plug-in says it is, in every format. Hosts keep the IDs and the
// URI in their sessions and presets: never to change.
#pragma once

inline constexpr char kEffectName[] = "Quillbeat";
inline constexpr char kProductName[] = "Quillbeat";
inline constexpr char kVendorName[] = "Orvane";

// The vendor's version of the effect. VST 2 reports it as a number, LV2 as
// its minor version (an even one: a release), CLAP as text.
inline constexpr int kVendorVersion = 2;
inline constexpr char kVendorVersionText[] = "2.0.0";

// The VST 2 record's unique ID, also in every .fxp preset file.
inline constexpr char kVst2UniqueId[] = "Qlbt";
inline constexpr char kClapPluginId[] = "com.orvane.quillbeat";
// The build reads it from here for the tests and the bundle.
inline constexpr char kLv2PluginUri[] = "urn:orvane:quillbeat";
// The LV2 edition's window, which hosts may keep in their sessions too.
inline constexpr char kLv2UiUri[] = "urn:orvane:quillbeat:ui";
