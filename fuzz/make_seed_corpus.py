#!/usr/bin/env python3
"""Writes the seed corpus of the record fuzzer: one file per run of requests.

Each seed is a run of host requests in the byte language that hostile_requests.cpp
reads. The seeds give the fuzzer a head start: processing in every mode at
every kind of host position, every request, hostile parameter values, texts,
and closing and re-opening. Run it again after changing the language, and
commit what it writes to fuzz/corpus/record_fuzzer/.
"""
import struct

from seed_files import write_seeds

# Commands (first byte of each, modulo 8).
DISPATCH, SET_PARAMETER, GET_PARAMETER, PROCESS, CLOSE, UNUSED_PROCESS, CHANGE_HOST, HOSTILE = range(8)
# Placements of a block.
NO_TIME, FOLLOW, STAND, RAW_DOUBLE, INT32, ODD_POSITION = range(6)
# Kinds of float argument.
ODD_FLOAT, HUNDREDTHS, RAW_FLOAT = range(3)
# Parameters.
V_NOTES, F_NOTES, RND_SW, TEMPO = 4, 9, 10, 11
# Opcodes whose value carries a pointer, and whose ptr is a text to read.
VALUE_IS_POINTER = {42, 69}
TEXT_IN = {4, 27, 51}


def index_byte(index):
    # Indices -2 to 17 travel as one byte.
    assert -2 <= index <= 17
    return bytes([index + 2])


def hundredths(k):
    # k / 100 for k from -100 to 100.
    return bytes([HUNDREDTHS, k + 100])


def set_parameter(index, k):
    return bytes([SET_PARAMETER]) + index_byte(index) + hundredths(k)


def set_parameter_raw(index, value):
    return bytes([SET_PARAMETER]) + index_byte(index) + bytes([RAW_FLOAT]) + struct.pack("<f", value)


def number(n):
    # -4 to 35 travel as one byte.
    assert -4 <= n <= 35
    return bytes([n + 4])


def dispatch(opcode, index=0, value=0, with_ptr=True, text=b"", value_ptr=True, opt=b"\x01\x64"):
    out = bytes([DISPATCH, opcode]) + index_byte(index) + bytes([1 if with_ptr else 0])
    if with_ptr and opcode in TEXT_IN:
        out += bytes([len(text)]) + text
    out += number(value)
    if opcode in VALUE_IS_POINTER:
        out += bytes([1 if value_ptr else 0])
    return out + opt


def frames_byte(frames):
    if frames < 128:
        return bytes([frames])
    assert frames % 67 == 0 and frames // 67 < 122
    return bytes([128 + frames // 67])


def process(frames, placement, payload=b"", signal=0, in_place=0):
    out = bytes([PROCESS]) + frames_byte(frames) + bytes([placement]) + payload
    if frames > 0:
        out += bytes([0, signal + 1])  # a plain signal seeded with `signal`
        out += bytes([in_place])
    return out


def process_at(frames, position, **kwargs):
    return process(frames, INT32, struct.pack("<i", position), **kwargs)


def stream(blocks, frames, start):
    out = process_at(frames, start)
    for _ in range(blocks - 1):
        out += process(frames, FOLLOW)
    return out


def seeds():
    # Each mode over two step changes (tempo 1: 11025 frames per step).
    yield "modes_manual_random_auto", b"".join(
        set_parameter(RND_SW, mode) + set_parameter(TEMPO, 100) + stream(12, 67 * 20, 11025 - 6000 + mode)
        for mode in (0, 50, 100))

    yield "every_request", b"".join(
        dispatch(op, index) for op in range(82) if op != 1 for index in (0, 3, 11, 12, -1))

    yield "texts_of_every_parameter_and_program", b"".join(
        dispatch(op, index) for index in range(-2, 18) for op in (5, 6, 7, 8, 29))

    yield "program_changes_and_names", b"".join(
        dispatch(2, value=p) + dispatch(4, text=b"Loop %d" % p) + dispatch(5) + dispatch(3)
        for p in (0, 3, 15, 16, -1, 35)) + dispatch(4, text=b"A name much longer than the field holds") + dispatch(5)

    yield "hostile_parameters_then_process", b"".join(
        bytes([HOSTILE]) + bytes([(k + i) % 30 for i in range(12)]) + stream(4, 67 * 10, 44000 + k)
        for k in range(0, 30, 3))

    yield "notes_just_below_zero", (
        set_parameter(RND_SW, 0) + set_parameter(V_NOTES, -10) + set_parameter(F_NOTES, -7)
        + set_parameter(TEMPO, 100) + stream(10, 67 * 30, 100000))

    yield "tempo_out_of_range", b"".join(
        set_parameter_raw(TEMPO, t) + stream(3, 1000 // 67 * 67, 20000)
        for t in (-5.0, 40.0, 1e20, float("inf"), float("nan")))

    yield "odd_positions", b"".join(
        process(96, ODD_POSITION, bytes([k])) + process(96, FOLLOW) for k in range(20))

    yield "positions_beyond_32_bits", b"".join(
        process(120, RAW_DOUBLE, struct.pack("<d", p)) + process(120, FOLLOW)
        for p in (2.0**31 - 50, 2.0**32 + 7, -(2.0**31) - 60, 2.0**40, -1.5, -0.7))

    yield "no_time_information", set_parameter(TEMPO, 100) + b"".join(
        process(frames, NO_TIME) for frames in (0, 1, 64, 67 * 30, 127, 0))

    yield "block_sizes_zero_and_negative", (
        process(0, FOLLOW) + process(5, FOLLOW)
        + bytes([PROCESS, 250, FOLLOW]) + struct.pack("<i", -7)
        + bytes([PROCESS, 250, FOLLOW]) + struct.pack("<i", -(2**31)) + process(17, FOLLOW))

    yield "non_finite_and_denormal_input", set_parameter(RND_SW, 0) + stream(2, 67 * 10, 3000) + b"".join(
        bytes([PROCESS, 64, FOLLOW, 2, 1]) + bytes([k, k + 7] * 10) + bytes([0]) for k in range(0, 26, 2))

    yield "close_and_reopen", (
        stream(3, 200 // 67 * 67, 4000) + bytes([CLOSE]) + bytes([CHANGE_HOST, 0])
        + stream(2, 67, 100) + bytes([CHANGE_HOST, 1]) + stream(2, 67, 100)
        + dispatch(1) + dispatch(3) + bytes([CLOSE, CLOSE]))

    yield "unused_process_functions", bytes([UNUSED_PROCESS, 0, UNUSED_PROCESS, 200])

    yield "sample_rates_and_suspend", b"".join(
        dispatch(10, opt=bytes([RAW_FLOAT]) + struct.pack("<f", rate)) + dispatch(11, value=32)
        + dispatch(12, value=0) + dispatch(12, value=1) + stream(2, 67 * 4, 7000)
        for rate in (8000.0, 44100.0, 384000.0, 0.0, -1.0, float("nan")))

    yield "parameter_reads", b"".join(
        bytes([GET_PARAMETER]) + index_byte(i) for i in range(-2, 18))


if __name__ == "__main__":
    write_seeds("record_fuzzer", seeds())
