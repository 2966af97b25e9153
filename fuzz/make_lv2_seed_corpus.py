#!/usr/bin/env python3
"""Writes the LV2 message fuzzer's seed corpus and its first regressions.

Each file is a session in the byte language that lv2_messages.cpp reads:
blocks with the transport port's buffer, control values and restarts. The
seeds give the fuzzer well-formed messages of every kind to break; the
regressions are the malformed messages that once crashed the plug-in or read
past their objects. Run it again after changing the language, and commit
what it writes to fuzz/corpus/lv2_message_fuzzer/ and
fuzz/regressions/lv2_message_fuzzer/.
"""
import struct

from seed_files import write_seeds

# Commands (first byte of each, modulo 3).
RUN, CONTROL, RESTART = range(3)
# The URIDs the session's map gives, in its order from 1.
SEQUENCE, OBJECT, BLANK, INT, LONG, FLOAT, DOUBLE, POSITION, FRAME, SPEED, BPM = range(1, 12)
FRAME_TIME, BEAT_TIME, CHUNK = range(12, 15)
# Parameters.
V_S, F_S, RND_SW, TEMPO = 2, 7, 10, 11


def pad(data):
    return data + bytes(-len(data) % 8)


def atom(type_, body, size=None):
    return struct.pack("<II", len(body) if size is None else size, type_) + body


def long_(value):
    return atom(LONG, struct.pack("<q", value))


def float_(value):
    return atom(FLOAT, struct.pack("<f", value))


def double(value):
    return atom(DOUBLE, struct.pack("<d", value))


def int_(value):
    return atom(INT, struct.pack("<i", value))


def position(*properties, type_=OBJECT, size=None):
    body = struct.pack("<II", 0, POSITION) + b"".join(
        pad(struct.pack("<II", key, 0) + value) for key, value in properties)
    return atom(type_, body, size)


def event(frame, body):
    return struct.pack("<q", frame) + pad(body)


def sequence(*events, size=None, unit=0, type_=SEQUENCE):
    return atom(type_, struct.pack("<II", unit, 0) + b"".join(events), size)


def run(frames, buffer=b""):
    return bytes([RUN, frames]) + struct.pack("<H", len(buffer)) + buffer


def control(index, value):
    return bytes([CONTROL, index]) + struct.pack("<f", value)


def seeds():
    yield "positions_of_every_kind", (
        run(200, sequence(event(0, position((FRAME, long_(1000)), (SPEED, float_(1.0))))))
        + run(200, sequence(event(50, position((FRAME, int_(40000)), (BPM, double(90.0)))),
                            event(120, position((SPEED, double(0.0)))),
                            event(180, position((FRAME, double(7.5)), (SPEED, float_(1.0)), type_=BLANK))))
        + run(200, sequence(event(300, position((SPEED, float_(-1.0)))), event(10, position((FRAME, long_(-5)))))))

    yield "controls_out_of_range", b"".join(
        control(index, value) + run(255, sequence(event(0, position((FRAME, long_(index * 30000)),))))
        for index, value in ((V_S, 3.0), (F_S, 1e30), (TEMPO, -4.0), (RND_SW, float("nan")),
                             (V_S, float("inf")), (F_S, 0.5)))

    yield "restart_after_playing", (
        control(RND_SW, 0.5) + run(255, sequence(event(0, position((FRAME, long_(37000)), (SPEED, float_(1.0))))))
        + run(255) + run(255, sequence(event(0, position((SPEED, float_(0.0))),))) + bytes([RESTART])
        + run(255) + run(255, sequence(event(0, position((FRAME, long_(0)),)))))

    yield "other_atoms_and_short_buffers", (
        run(64, sequence(event(0, int_(7)), event(1, position((FRAME, float_(1.0)), type_=FLOAT))))
        + run(64, b"\x00" * 4) + run(0, sequence()) + run(64, sequence(size=0)))

    # Only the sequence timed in frames is heard; the event's time, 0, reads
    # the same in beats.
    locate = event(0, position((FRAME, long_(50000)), (SPEED, float_(1.0))))
    yield "buffers_not_timed_in_frames", (
        run(128, sequence(locate, unit=BEAT_TIME)) + run(128, sequence(locate, type_=CHUNK))
        + run(128, sequence(locate, type_=INT)) + run(128, sequence(locate, unit=POSITION))
        + run(128, sequence(locate, unit=FRAME_TIME)) + run(128, sequence(event(0, position((SPEED, float_(0.0)))))))


def regressions():
    # The sequence of 40 bytes: an object that claims nearly 4 GB.
    yield "object_larger_than_its_sequence", run(64, sequence(event(0, atom(OBJECT, struct.pack(
        "<II", 0, POSITION), size=0xFFFFFFF0))))
    # An object of 12 bytes at the buffer's end: no room for a property.
    yield "object_of_12_bytes", run(64, sequence(struct.pack("<q", 0) + atom(OBJECT, struct.pack(
        "<III", 0, POSITION, 0))))
    # A Long whose header is the object's last bytes, its value past the end.
    yield "long_value_past_its_object", run(64, sequence(struct.pack("<q", 0) + atom(OBJECT, struct.pack(
        "<IIII", 0, POSITION, FRAME, 0) + struct.pack("<II", 8, LONG))))


if __name__ == "__main__":
    write_seeds("lv2_message_fuzzer", seeds(), regressions())
