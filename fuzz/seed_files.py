"""Writes a fuzzer's seed corpus and regressions, for the make_*_seed_corpus.py scripts.

`files` are (name, bytes) pairs; they go to fuzz/corpus/FUZZER/ and
fuzz/regressions/FUZZER/, to be committed there.
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def write_seeds(fuzzer, seeds, regressions=()):
    for kind, files in (("corpus", seeds), ("regressions", regressions)):
        folder = os.path.join(HERE, kind, fuzzer)
        for name, data in files:
            os.makedirs(folder, exist_ok=True)
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
            print(f"{os.path.relpath(folder, HERE)}/{name}: {len(data)} bytes")
