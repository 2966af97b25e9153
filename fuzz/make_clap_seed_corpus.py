#!/usr/bin/env python3
"""Writes the CLAP fuzzer's seed corpus and its first regressions.

Each file is a session in the byte language that clap_calls.cpp reads: calls
on one instance of the CLAP edition. The seeds make every call with
well-formed and broken arguments for the fuzzer to start from; the
regressions are the calls of a careless host that once leaked, crashed or
were obeyed. Run it again after changing the language, and commit what it
writes to fuzz/corpus/clap_fuzzer/ and fuzz/regressions/clap_fuzzer/.
"""
import struct

from seed_files import write_seeds

# Commands (first byte of each, modulo 10).
INIT, ACTIVATE, DEACTIVATE, PROCESSING, PROCESS, FLUSH, RESET, SAVE, LOAD, RECREATE = range(10)
# Places in the session's list of rates.
R44100, R48000, R96000, R8000, R192000, R768000, R22050, R1, R2P24, R44100_5 = range(10)
NAN, INF, NEG_INF, R1E300, ZERO, NEG_ZERO, NEG_44100, HALF, ABOVE_2P24, DENORMAL, R1E_300 = range(10, 21)
# List shapes, audio shapes, transports, output lists, streams.
NO_LIST, NO_SIZE, NO_GET, LIST, LIST_CLAIMING_MORE = range(5)
SEPARATE, IN_PLACE, NO_INPUT, MONO, NO_CHANNELS, NULL_CHANNEL = range(6)
NO_TRANSPORT, RAW_TRANSPORT, PLAYING = range(3)
NO_OUTPUT, REFUSING_OUTPUT, OUTPUT_WITHOUT_PUSH = range(3)
NO_STREAM, NO_FUNCTION, WHOLE, CHUNKS, FAILING = range(5)
# Parameters.
RND_SW, TEMPO = 10, 11

HEADER = struct.Struct("<IIHHI")
# The header as the bytes give it, before the session writes over it: of
# another space and type, where the session leaves them.
RAW_HEADER = HEADER.pack(0, 0, 0x7777, 0x7777, 0)


def param(id_, value):
    """The bytes of a parameter value event; the session writes its header's
    size, time, space, type and the parameter over them."""
    return 0, RAW_HEADER + struct.pack("<I4xQihhh6xd", id_, 0, -1, -1, -1, -1, value), id_


def transport(seconds):
    body = struct.pack("<I4xqqddqqqqqiHH", 4 | 16, 0, int(seconds * 2**31), 120.0, 0, 0, 0, 0, 0, 0, 0, 4, 4)
    return 1, RAW_HEADER + body, 0


def header_only():
    return 2, RAW_HEADER, 0


def claiming(size):
    return 3, RAW_HEADER + bytes(max(size - HEADER.size, 0)), 0


def events(shape, *items, extra=0):
    """items: (event, time, core, type) with type 0 parameter, 1 transport,
    2 as its bytes say."""
    out = bytes([shape, len(items)])
    for (size_kind, data, parameter), time, core, type_ in items:
        if size_kind == 3:
            out += bytes([len(data) if len(data) > HEADER.size else 0])
        out += data + bytes([time, 1 if core else 0, type_, parameter])
    return out + (bytes([extra]) if shape == LIST_CLAIMING_MORE else b"")


def process(frames, audio=SEPARATE, transport_kind=PLAYING, event_list=events(LIST), output=NO_OUTPUT,
            raw_transport=b""):
    return bytes([PROCESS, frames, audio, transport_kind]) + raw_transport + event_list + bytes([output])


def flush(event_list, output=NO_OUTPUT):
    return bytes([FLUSH]) + event_list + bytes([output])


def activate(rate):
    return bytes([ACTIVATE, rate])


def seeds():
    settings = events(LIST, (param(RND_SW, 0.5), 0, True, 0), (param(TEMPO, 1.0), 0, True, 0))
    yield "every_call_once", (
        activate(R48000) + bytes([PROCESSING, 1]) + flush(settings)
        + process(200, event_list=events(LIST, (param(3, 0.25), 50, True, 0), (transport(10.0), 100, True, 1),
                                         (param(TEMPO, 0.5), 150, True, 0)), output=REFUSING_OUTPUT)
        + bytes([RESET]) + process(255) + bytes([SAVE, WHOLE, LOAD, WHOLE]) + bytes([PROCESSING, 0, DEACTIVATE])
        + bytes([RECREATE]) + process(64) + bytes([INIT]) + activate(R44100) + process(220))

    yield "every_rate", b"".join(activate(rate) + process(32) for rate in range(21)) + activate(0xF0) + struct.pack(
        "<d", 3e9) + process(32)

    yield "broken_event_lists", (
        flush(settings)
        + process(128, event_list=events(NO_GET, (param(TEMPO, 0.0), 0, True, 0)))
        + process(128, event_list=events(NO_SIZE, (param(TEMPO, 0.0), 0, True, 0)))
        + process(128, event_list=events(NO_LIST))
        + process(128, event_list=events(LIST_CLAIMING_MORE, (param(2, 0.9), 10, True, 0), extra=2))
        + process(128, event_list=events(LIST, (header_only(), 5, True, 0), (claiming(20), 6, True, 1),
                                         (claiming(200), 7, False, 0), (param(RND_SW, float("nan")), 250, True, 0),
                                         (transport(-1.0), 3, True, 1)), output=OUTPUT_WITHOUT_PUSH)
        + flush(events(NO_GET, (param(TEMPO, 1.0), 0, True, 0)), OUTPUT_WITHOUT_PUSH)
        + flush(events(NO_SIZE)) + flush(events(NO_LIST)))

    state = b"QBst" + struct.pack("<II", 1, 12) + struct.pack("<12f", *([0.5] * 12))
    yield "odd_audio_and_streams", (
        b"".join(process(100, audio=shape, transport_kind=NO_TRANSPORT) for shape in range(6))
        + process(100, transport_kind=RAW_TRANSPORT, raw_transport=bytes(range(104)))
        + bytes([SAVE, NO_STREAM, SAVE, NO_FUNCTION, SAVE, CHUNKS, 2, SAVE, FAILING, 0, SAVE, FAILING, 1])
        + bytes([LOAD, 0, LOAD, 1, LOAD, 3, len(state)]) + state + bytes([3, LOAD, 3, 7]) + state[:7] + bytes([1])
        + bytes([LOAD, 4, LOAD, 5, INIT, INIT]) + process(255))


def regressions():
    # Each once made the plug-in leak, crash or obey.
    yield "init_twice", bytes([INIT, INIT]) + process(64)
    yield "process_with_events_without_get", process(64, event_list=events(NO_GET, (param(TEMPO, 1.0), 0, True, 0)))
    yield "flush_with_events_without_get", flush(events(NO_GET, (param(TEMPO, 1.0), 0, True, 0)))
    yield "activate_at_infinity_and_1e300", activate(INF) + process(64) + activate(R1E300) + process(64)


if __name__ == "__main__":
    write_seeds("clap_fuzzer", seeds(), regressions())
