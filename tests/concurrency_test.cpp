// One thread processes audio without pause while other threads do what a
// host's user interface, automation and generic editor do at the same time:
// set and read parameters, change and rename programs, and read every text.
// Run under ThreadSanitizer in CI; in every build it checks that nothing
// crashes, the output stays finite, texts stay bounded, and every parameter
// value read back is one that somebody wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <latch>
#include <limits>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "effect/pattern_table.h"
#include "tests/support/block_helpers.h"
#include "tests/support/text_probe.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// What the host threads write, per parameter: in-range values that switch
// modes and tempos often enough for the pattern selection to run, and hostile
// ones that the effect must store unchanged and survive.
const std::vector<float>& hostValues(int parameter) {
    static const std::vector<float> envelope = {0.0f, 0.01f, 0.25f, 0.5f, 0.75f, 1.0f,
                                                -0.5f, 1.5f, 1e9f, -kInf, kNaN};
    static const std::vector<float> modes = {kManual, kRandom, kAuto, kAuto, kRandom, 2.0f, -1.0f, kNaN};
    static const std::vector<float> tempos = {0.0f, 0.24f, 1.0f, 1.0f, 1.0f, 40.0f, -3.0f, kInf, kNaN};
    if (parameter == pRndSw) return modes;
    if (parameter == pTempo) return tempos;
    return envelope;
}

// The rolls of "RANDOM": k x 0.01 for k from `low` to `high`, per parameter.
struct RollRange {
    int low;
    int high;
};
constexpr RollRange kRollRanges[10] = {{20, 99}, {0, 19}, {0, 100}, {0, 19}, {0, 50},
                                       {20, 99}, {0, 19}, {0, 100}, {0, 19}, {0, 50}};

// Every value a parameter may hold: the initial one (which every program
// also stores), one written by the host, or one chosen by the pattern
// selection (a pattern-table value or a roll). Kept as bit patterns, so NaN
// counts too.
class AllowedValues {
public:
    AllowedValues() {
        for (int p = 0; p < 12; ++p) {
            bits[p].insert(bitsOf(kInitialValues[p]));
            for (float v : hostValues(p)) bits[p].insert(bitsOf(v));
            if (p >= 10) continue;
            for (const auto& pattern : patternTable) bits[p].insert(bitsOf(pattern[static_cast<std::size_t>(p)]));
            for (int k = kRollRanges[p].low; k <= kRollRanges[p].high; ++k)
                bits[p].insert(bitsOf(static_cast<float>(static_cast<double>(k) * 0.01f)));
        }
    }
    bool contains(int parameter, float value) const { return bits[parameter].count(bitsOf(value)) != 0; }

private:
    std::set<std::uint32_t> bits[12];
};

const char* const kProgramNames[] = {"Kick pattern", "Gate 2", "Init", "", "Exactly twenty-three ch",
                                     "A name much longer than the field holds"};

// Characters a program name may show, even one read half-way through a
// rename: those of the names given, and of the numbered default names.
bool isProgramNameCharacter(char c) {
    static const std::string alphabet = [] {
        std::string all = "Init 0123456789";
        for (const char* name : kProgramNames) all += name;
        return all;
    }();
    return alphabet.find(c) != std::string::npos;
}

// A small generator per thread, so each thread's sequence is repeatable.
struct Dice {
    std::uint32_t state;
    std::uint32_t below(std::uint32_t n) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % n;
    }
};

// The first few problems any thread found, and how many there were.
class Findings {
public:
    void add(const std::string& what) {
        std::lock_guard<std::mutex> lock(mutex);
        ++count;
        if (count <= 5) first += what + "\n";
    }
    int total() const {
        std::lock_guard<std::mutex> lock(mutex);
        return count;
    }
    std::string summary() const {
        std::lock_guard<std::mutex> lock(mutex);
        return first;
    }

private:
    mutable std::mutex mutex;
    int count = 0;
    std::string first;
};

class Concurrency : public ::testing::Test {
protected:
    static constexpr int kAudioBlocks = 3000;
    static constexpr int kHostThreads = 3;

    void SetUp() override { ASSERT_NE(host.open(), nullptr); }

    void checkParameter(int parameter) {
        const float value = host.getParameter(parameter);
        if (!allowed.contains(parameter, value))
            findings.add("parameter " + std::to_string(parameter) + " reads " + std::to_string(value) +
                         ", which nobody wrote");
    }

    void checkProgramName(TextProbe& probe, const char* what) {
        if (!probe.boundedTo(ProgramRecordSize)) {
            findings.add(std::string(what) + " not terminated within 24 bytes");
            return;
        }
        for (char c : probe.text())
            if (!isProgramNameCharacter(c)) findings.add(std::string(what) + " shows a stray character");
    }

    // The audio thread: blocks of changing size, mostly following each other,
    // now and then standing still or jumping.
    void audioThread() {
        Dice dice{1};
        StereoBuffer input = testSignal(1024);
        StereoBuffer output(1024);
        double position = 1000.0;
        for (int block = 0; block < kAudioBlocks; ++block) {
            const int frames = 32 + static_cast<int>(dice.below(993));
            host.timeInfo.samplePos = position;
            float* in[2] = {input.left.data(), input.right.data()};
            host.process(in, output.channels(), frames);
            for (int i = 0; i < frames; ++i)
                if (!std::isfinite(output.left[i]) || !std::isfinite(output.right[i])) {
                    findings.add("non-finite output in block " + std::to_string(block));
                    break;
                }
            const std::uint32_t roll = dice.below(100);
            if (roll == 0) position += 500000.0;       // a jump
            else if (roll != 1) position += frames;    // roll 1: standing still
        }
        audioDone.store(true);
    }

    // Automation: parameter writes and reads, and program changes in between.
    void automationThread() {
        Dice dice{2};
        while (!audioDone.load()) {
            const int parameter = static_cast<int>(dice.below(12));
            const auto& values = hostValues(parameter);
            host.setParameter(parameter, values[dice.below(static_cast<std::uint32_t>(values.size()))]);
            checkParameter(static_cast<int>(dice.below(12)));
            if (dice.below(50) == 0) host.dispatch(effSetProgram, 0, dice.below(16));
            if (dice.below(200) == 0) host.dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
            ++iterations;
        }
    }

    // The program list: select, rename and read back programs.
    void programThread() {
        Dice dice{3};
        TextProbe probe;
        while (!audioDone.load()) {
            // Out-of-range numbers too: they must change nothing.
            const VstIntPtr program = static_cast<VstIntPtr>(dice.below(20)) - 2;
            host.dispatch(effSetProgram, 0, program);
            const VstIntPtr current = host.dispatch(effGetProgram);
            if (current < 0 || current > 15) findings.add("current program " + std::to_string(current));
            if (dice.below(4) == 0) {
                char name[64];
                std::strcpy(name, kProgramNames[dice.below(std::size(kProgramNames))]);
                host.dispatch(effSetProgramName, 0, 0, name);
            }
            probe.request(host, effGetProgramName);
            checkProgramName(probe, "program name");
            if (dice.below(200) == 0) host.dispatch(effSetSampleRate, 0, 0, nullptr, 96000.0f);
            if (dice.below(200) == 0) host.dispatch(effSetBlockSize, 0, 64 + dice.below(4096));
            ++iterations;
        }
    }

    // A generic editor: every text of every parameter and program, and the
    // parameter values, over and over.
    void viewerThread() {
        TextProbe probe;
        while (!audioDone.load()) {
            for (int index = -1; index <= 12; ++index) {
                const bool valid = index >= 0 && index < 12;
                for (VstInt32 opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay}) {
                    probe.request(host, opcode, index);
                    if (valid ? !probe.boundedTo(9) : !probe.untouched())
                        findings.add("text " + std::to_string(opcode) + " of parameter " + std::to_string(index));
                }
                if (valid) checkParameter(index);
            }
            for (int program = -1; program <= 16; ++program) {
                const VstIntPtr answer = probe.request(host, effGetProgramNameIndexed, program);
                if ((program >= 0 && program < 16) != (answer == 1))
                    findings.add("indexed name of program " + std::to_string(program) + " answered " +
                                 std::to_string(answer));
                if (answer == 1) checkProgramName(probe, "indexed program name");
            }
            probe.request(host, effGetProgramName);
            checkProgramName(probe, "program name");
            for (auto [opcode, bytes] : {std::pair{effGetEffectName, 33}, {effGetVendorString, 65},
                                         {effGetProductString, 65}}) {
                probe.request(host, opcode);
                if (!probe.boundedTo(static_cast<std::size_t>(bytes)))
                    findings.add("identity text " + std::to_string(opcode));
            }
            host.dispatch(effMainsChanged, 0, 0);
            host.dispatch(effMainsChanged, 0, 1);
            ++iterations;
        }
    }

    static constexpr std::size_t ProgramRecordSize = 24;

    TestHost host;
    AllowedValues allowed;
    Findings findings;
    std::atomic<bool> audioDone{false};
    std::atomic<long> iterations{0};
};

TEST_F(Concurrency, HostThreadsWhileTheAudioThreadProcesses) {
    for (int p = 0; p < 12; ++p) ASSERT_TRUE(allowed.contains(p, host.getParameter(p))) << p;

    std::latch start(kHostThreads + 1);
    std::thread audio([&] { start.arrive_and_wait(); audioThread(); });
    std::thread automation([&] { start.arrive_and_wait(); automationThread(); });
    std::thread programs([&] { start.arrive_and_wait(); programThread(); });
    std::thread viewer([&] { start.arrive_and_wait(); viewerThread(); });
    for (std::thread* t : {&audio, &automation, &programs, &viewer}) t->join();

    EXPECT_EQ(findings.total(), 0) << findings.summary();
    EXPECT_GT(iterations.load(), 0);
    for (int p = 0; p < 12; ++p) EXPECT_TRUE(allowed.contains(p, host.getParameter(p))) << p;
}

}  // namespace
