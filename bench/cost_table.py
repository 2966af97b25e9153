#!/usr/bin/env python3
"""The audio path's cost per stereo frame, counted rather than timed.

For each benchmark case and for the floor kernel, through the small host
quillbeat_cost_host (one pass over the case's tape in blocks of 512):

- instructions, taken jumps (conditional and not, calls and returns left
  out) and mispredicted branches (conditional and indirect) per frame, from
  callgrind with its branch simulator. A taken jump ends the processor's
  fetch for that cycle, so where a frame has many of them the front end,
  which llvm-mca does not model, can fall behind the arithmetic. Only the
  plug-in's replacing-process function is counted, from the record's entry
  in, and the host's answer to the time-information request inside it is
  left out: what remains is the plug-in's own work. For the floor, its pass
  function is counted. These counts are the same on any x86-64.
- cycles per frame that llvm-mca predicts for the frame loop on a Zen 3 and a
  Skylake core. The loop has branches, so it has no one body: the frames are
  traced instruction by instruction (valgrind's lackey), each distinct path
  through the loop is given to llvm-mca as a straight run, repeated, and the
  paths' cycles per iteration are averaged with the frames that took them.
  Pass-through runs no frame loop and has no prediction.

With --editions, what each edition's glue adds instead: for each case, the
instructions per frame of the plug-in played as VST 2 (the record's
replacing-process function, as above), as LV2 (the plug-in's run function)
and as CLAP (its process function, less the host's event-list functions it
calls), each edition's ratio to VST 2, and its extra instructions per block.
--max-ratio R fails when an edition's ratio is above R.

Usage: bench/cost_table.py [--build DIR] [--block N] [--counts-only] [case ...]
       bench/cost_table.py --editions [--build DIR] [--block N] [--max-ratio R] [case ...]
(--counts-only: callgrind alone, a few seconds; the traces take minutes.)
Needs valgrind, llvm-mca (Debian's llvm) and objdump: scripts/install-deps.sh.
"""

import argparse
import collections
import os
import re
import subprocess
import sys
import tempfile

CASES = ["floor", "manual_default", "manual_busy", "random", "auto", "silence_tail", "pass_through"]
# Per case: the function that holds the frame loop, as nm -C begins its name
# (any compiler-made parts such as ".cold" included), and the callgrind
# toggles. The plug-in is counted from the record's process function in, less
# the host's callback: the toggles nest, so the callback switches counting off.
PLUGIN = ("QuillbeatCore::processMovingBlock(", ["recordProcessReplacing*", "EffectHost::callback*"])
# Per edition, the toggles that count the plug-in from its entry in, less the
# host's functions that it calls.
EDITIONS = {
    "vst2": PLUGIN[1],
    "lv2": ["(anonymous namespace)::run(void*, unsigned int)"],
    "clap": ["(anonymous namespace)::process(clap::clap_plugin const*, clap::clap_process const*)",
             "(anonymous namespace)::eventCount(clap::clap_input_events const*)",
             "(anonymous namespace)::eventAt(clap::clap_input_events const*, unsigned int)"],
}
FLOOR = ("(anonymous namespace)::runFloorPass(", ["*runFloorPass*"])
MCA_CPUS = ["znver3", "skylake"]
MCA_ITERATIONS = 500


def run(args, **kwargs):
    return subprocess.run(args, check=True, text=True, capture_output=True, **kwargs)


def host_report(text):
    """frames, the loop's file and its load base from the cost host's report."""
    fields = dict(line.split(" ", 1) for line in text.splitlines() if " " in line)
    return int(fields["frames"]), fields["file"], int(fields["base"], 16)


def callgrind_counts(host, case, block, toggles, scratch, edition="vst2"):
    out = os.path.join(scratch, f"callgrind.{case}.{edition}")
    result = run(["valgrind", "--tool=callgrind", "--branch-sim=yes", "--collect-jumps=yes", "--dump-instr=yes",
                  f"--callgrind-out-file={out}"] +
                 [f"--toggle-collect={toggle}" for toggle in toggles] + [host, case, str(block), edition])
    frames = int(result.stdout.split("frames ", 1)[1].split()[0])
    events = totals = None
    taken = 0
    with open(out) as f:
        for line in f:
            # jump=<executed> <target>; jcnd=<taken>/<executed> <target>
            if line.startswith("jump=") or line.startswith("jcnd="):
                taken += int(re.split("[=/ ]", line, maxsplit=2)[1])
            elif line.startswith("events:"):
                events = line.split()[1:]
            elif line.startswith("totals:") or (totals is None and line.startswith("summary:")):
                totals = [int(v) for v in line.split()[1:]]
    counts = dict(zip(events, totals))
    if counts.get("Ir", 0) == 0:
        # The toggles name functions: renamed, they count nothing.
        sys.exit(f"cost_table: callgrind counted nothing for {case}; are {', '.join(toggles)} still there?")
    mispredicts = counts.get("Bcm", 0) + counts.get("Bim", 0)
    return counts["Ir"] / frames, taken / frames, mispredicts / frames


def loop_function_ranges(binary, function):
    """(start, end) of the loop function and its compiler-made parts."""
    ranges = []
    for line in run(["nm", "-S", "-C", binary]).stdout.splitlines():
        parts = line.split(" ", 3)
        if len(parts) == 4 and parts[3].startswith(function):
            start, size = int(parts[0], 16), int(parts[1], 16)
            ranges.append((start, start + size))
    if not ranges:
        sys.exit(f"cost_table: no {function} in {binary}")
    return ranges


def disassembly(binary, ranges):
    """Address -> instruction text that llvm-mca's assembler accepts."""
    code = {}
    line_pattern = re.compile(r"^\s*([0-9a-f]+):\s+(.*)$")
    for start, end in ranges:
        text = run(["objdump", "-d", "--no-show-raw-insn", f"--start-address={start:#x}",
                    f"--stop-address={end:#x}", binary]).stdout
        for line in text.splitlines():
            match = line_pattern.match(line)
            if not match:
                continue
            instruction = match.group(2).split("#")[0].strip()
            mnemonic = instruction.split()[0] if instruction else ""
            if mnemonic.startswith("j") or mnemonic.startswith("call"):
                # Targets do not matter to a straight run; a local label
                # stands for every one of them.
                operand = instruction.split(None, 1)[1] if " " in instruction else ""
                instruction = f"{mnemonic} *%rax" if operand.startswith("*") else f"{mnemonic} .Ltarget"
            if instruction:
                code[int(match.group(1), 16)] = instruction
    return code


def base_under_valgrind(host, case, block):
    """Where valgrind loads the loop's file for this case; the same every run."""
    result = run(["valgrind", "--tool=none", host, case, str(block)])
    return host_report(result.stdout)[2]


def frame_paths(host, case, block, ranges):
    """Counter of paths through the frame loop: tuples of library offsets."""
    base = base_under_valgrind(host, case, block)
    low = [start + base for start, _ in ranges]
    high = [end + base for _, end in ranges]
    read_end, write_end = os.pipe()
    with tempfile.TemporaryFile(mode="w+") as report:
        child = subprocess.Popen(["valgrind", "--tool=lackey", "--trace-mem=yes", f"--log-fd={write_end}", host, case,
                                  str(block)], stdout=report, pass_fds=(write_end,))
        os.close(write_end)
        trace = []
        with os.fdopen(read_end) as lines:
            for line in lines:
                if line[0] != "I":
                    continue
                address = int(line[3:line.index(",")], 16)
                for lo, hi in zip(low, high):
                    if lo <= address < hi:
                        trace.append(address - base)
                        break
        if child.wait() != 0:
            sys.exit(f"cost_table: the traced host failed for {case}")
        report.seek(0)
        frames, _, traced_base = host_report(report.read())
    if traced_base != base:
        sys.exit("cost_table: valgrind loaded the code at another address in the traced run")
    if not trace:
        return collections.Counter()
    # Any instruction that runs exactly once per frame cuts the trace into
    # frames (each a rotation of the frame's path, which llvm-mca repeats
    # anyway); the lowest such address is taken.
    executions = collections.Counter(trace)
    once = [address for address, count in executions.items() if count == frames]
    if not once:
        return collections.Counter()  # the loop did not run every frame: pass-through
    cut = min(once)
    paths = collections.Counter()
    current = None
    for address in trace:
        if address == cut:
            if current is not None:
                paths[tuple(current)] += 1
            current = []
        if current is not None:
            current.append(address)
    if current:
        paths[tuple(current)] += 1
    return paths


def mca_cycles_per_iteration(assembly, cpu):
    result = run(["llvm-mca", f"-mcpu={cpu}", f"-iterations={MCA_ITERATIONS}", "-all-stats=false",
                  "-instruction-info=false", "-resource-pressure=false"], input=assembly)
    iterations = int(re.search(r"^Iterations:\s+(\d+)", result.stdout, re.M).group(1))
    cycles = int(re.search(r"^Total Cycles:\s+(\d+)", result.stdout, re.M).group(1))
    return cycles / iterations


def mca_cycles_per_frame(paths, code):
    """Per cpu, the frames' average of their paths' predicted cycles."""
    total = sum(paths.values())
    averages = {}
    for cpu in MCA_CPUS:
        cycles = 0.0
        for path, count in paths.items():
            assembly = "\n".join(code[address] for address in path) + "\n.Ltarget:\n"
            cycles += mca_cycles_per_iteration(assembly, cpu) * count
        averages[cpu] = cycles / total
    return averages


def editions_table(host, cases, block, max_ratio):
    """Instructions per frame through each edition; false if a ratio is above max_ratio."""
    print(f"block {block}; instructions per stereo frame over one pass, and each edition's ratio to VST 2")
    print("| case | VST 2 | LV2 | CLAP | LV2 extra/block | CLAP extra/block |")
    print("|---|---|---|---|---|---|")
    within = True
    with tempfile.TemporaryDirectory() as scratch:
        for case in cases:
            counts = {edition: callgrind_counts(host, case, block, toggles, scratch, edition)[0]
                      for edition, toggles in EDITIONS.items()}
            base = counts["vst2"]
            row = [case, f"{base:.1f}"]
            for edition in ("lv2", "clap"):
                ratio = counts[edition] / base
                row.append(f"{counts[edition]:.1f} ({ratio:.4f})")
                if max_ratio is not None and ratio > max_ratio:
                    within = False
            row += [f"{(counts[edition] - base) * block:.0f}" for edition in ("lv2", "clap")]
            print("| " + " | ".join(row) + " |", flush=True)
    if not within:
        print(f"cost_table: an edition costs more than {max_ratio} times VST 2", file=sys.stderr)
    return within


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default="build", help="the release build folder (default: build)")
    parser.add_argument("--block", type=int, default=512, help="frames per block (default: 512)")
    parser.add_argument("--counts-only", action="store_true", help="callgrind's counts, no trace or prediction")
    parser.add_argument("--editions", action="store_true", help="what the LV2 and CLAP editions add to VST 2")
    parser.add_argument("--max-ratio", type=float, help="with --editions: fail above this ratio to VST 2")
    parser.add_argument("cases", nargs="*", help="the cases (default: all)")
    options = parser.parse_args()
    known = CASES[1:] if options.editions else CASES
    cases = options.cases or known
    unknown = [case for case in cases if case not in known]
    if unknown:
        parser.error(f"unknown case {', '.join(unknown)}; the cases are {', '.join(known)}")
    host = os.path.join(options.build, "bench", "quillbeat_cost_host")
    if not os.access(host, os.X_OK):
        sys.exit(f"cost_table: no {host}; build the release build first")
    if options.editions:
        sys.exit(0 if editions_table(host, cases, options.block, options.max_ratio) else 1)

    header = ["case", "instr/frame", "taken jumps/frame", "mispredicts/frame", "paths"] + [f"mca {cpu} cyc/frame" for cpu in MCA_CPUS]
    print(f"block {options.block}; counts per stereo frame over one pass of {options.block}-frame blocks")
    print("| " + " | ".join(header) + " |")
    print("|" + "---|" * len(header))
    with tempfile.TemporaryDirectory() as scratch:
        for case in cases:
            function, toggles = FLOOR if case == "floor" else PLUGIN
            binary = host_report(run([host, case, str(options.block)]).stdout)[1]
            ranges = loop_function_ranges(binary, function)
            code = disassembly(binary, ranges)
            instructions, taken, mispredicts = callgrind_counts(host, case, options.block, toggles, scratch)
            paths = collections.Counter() if options.counts_only else frame_paths(host, case, options.block, ranges)
            if paths:
                cycles = mca_cycles_per_frame(paths, code)
                predictions = [f"{cycles[cpu]:.2f}" for cpu in MCA_CPUS]
            else:
                predictions = ["-" for _ in MCA_CPUS]
            row = [case, f"{instructions:.1f}", f"{taken:.2f}", f"{mispredicts:.4f}", str(len(paths) or "-")] + predictions
            print("| " + " | ".join(row) + " |", flush=True)


if __name__ == "__main__":
    main()
