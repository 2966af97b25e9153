-- Run by ardour7-lua: creates a session with the Dummy audio backend, one
-- stereo track carrying the test-signal plug-in, the plug-in under test with
-- the given parameter values and the block recorder, and exports the session
-- range to a float WAV file. Settings come from the environment:
--   DAW_SESSION_DIR    folder for the new session (must not exist)
--   DAW_EXPORT_DIR     folder the export is written to
--   DAW_PLUGIN         name of the plug-in under test, as the DAW lists it
--   DAW_PLUGIN_TYPE    its format: LXVST (VST 2 on Linux) or LV2
--   DAW_PARAMETERS     "index=value" pairs, space-separated
--   DAW_RATE           sample rate; DAW_BLOCK: the engine's block size
--   DAW_RANGE_START, DAW_RANGE_END: the exported range, in frames
-- The probes are VST 2 plug-ins named "QB Test Signal" and "QB Block
-- Recorder". Prints "export: <file>" on success; exits non-zero on failure.

local function setting(name)
  local value = os.getenv(name)
  if value == nil or value == "" then
    print("missing setting " .. name)
    os.exit(2)
  end
  return value
end

local rate = tonumber(setting("DAW_RATE"))
local block = tonumber(setting("DAW_BLOCK"))
local range_start = tonumber(setting("DAW_RANGE_START"))
local range_end = tonumber(setting("DAW_RANGE_END"))

local backend = AudioEngine:set_backend("None (Dummy)", "", "")
assert(backend, "no Dummy backend")
backend:set_device_name("Silence")
backend:set_sample_rate(rate)
backend:set_buffer_size(block)

local session = create_session(setting("DAW_SESSION_DIR"), "daw-test", rate)
assert(session, "cannot create the session")

-- Everything that holds a track or a plug-in lives in this function: Lua must
-- have let go of them before the session closes, or their destructors run
-- on the freed session when the interpreter ends.
local function build_and_export()
  local tracks = session:new_audio_track(2, 2, nil, 1, "Test", ARDOUR.PresentationInfo.max_order,
                                         ARDOUR.TrackMode.Normal, true)
  local track = tracks:front()
  assert(track, "cannot add a track")

  -- The chain is built and set up while the track is inactive, so the plug-in
  -- under test processes nothing before its parameters hold their values.
  track:set_active(false, nil)
  local function insert(name, kind, position)
    local plugin = ARDOUR.LuaAPI.new_plugin(session, name, kind, "")
    assert(not plugin:isnil(), "cannot find the plug-in " .. name)
    assert(track:add_processor_by_index(plugin, position, nil, true) == 0, "cannot add the plug-in " .. name)
    return plugin
  end
  insert("QB Test Signal", ARDOUR.PluginType.LXVST, 0)
  local under_test = insert(setting("DAW_PLUGIN"), ARDOUR.PluginType[setting("DAW_PLUGIN_TYPE")], 1)
  insert("QB Block Recorder", ARDOUR.PluginType.LXVST, 2)
  for index, value in string.gmatch(os.getenv("DAW_PARAMETERS") or "", "(%d+)=([%d.]+)") do
    assert(ARDOUR.LuaAPI.set_processor_param(under_test, tonumber(index), tonumber(value)),
           "cannot set parameter " .. index)
  end
  track:set_active(true, nil)

  -- The engine updates latencies shortly after plug-ins are added.
  ARDOUR.LuaAPI.usleep(2000000)

  local export = session:simple_export()
  export:set_folder(setting("DAW_EXPORT_DIR"))
  export:set_name("export")
  export:set_range(range_start, range_end)
  assert(export:set_preset("6b3f0a52-5c1e-4c47-9a0e-2d1f4b7e8a31"), "no export preset")
  assert(export:check_outputs(), "the master bus has no outputs to export")
  assert(export:run_export(), "the export failed")
  print("export: " .. setting("DAW_EXPORT_DIR") .. "/export.wav")
end

build_and_export()
collectgarbage()
close_session()
