// The host's transport as the glue keeps it. An LV2 host sends a position
// only when its transport changes (a start, a stop, a locate), so between
// messages the glue moves the position on itself, as a VST 2 host reports it
// at every block.
#pragma once

#include <cstdint>
#include <optional>

class TransportPosition {
public:
    // What one position message said; fields the host left out stay as they
    // were.
    void moveTo(double frame) {
        samplePosition = frame;
        known = true;
    }
    void setSpeed(double framesPerFrame) { speed = framesPerFrame; }
    // The frame a message names, or none. A message that says the transport
    // rolls, yet names at the start of a block the frame that the message
    // before it named in the block before, comes from a host that does not
    // count (one applying an effect offline names its first frame at every
    // block): the position keeps its own count. A host that loops names its
    // loop start again only a loop later, and is believed.
    void hearFrame(std::optional<double> frame, bool saysRolling, bool atBlockStart) {
        const bool repeat = saysRolling && atBlockStart && blocksSinceLastMessage == 1 && frame &&
                            lastNamedFrame == frame;
        if (frame && !repeat) moveTo(*frame);
        lastNamedFrame = frame;
        blocksSinceLastMessage = 0;
    }
    // At the start of every block, before its messages.
    void startBlock() {
        if (blocksSinceLastMessage < 2) ++blocksSinceLastMessage;
    }

    // The position of a block that starts now: none until the host has said
    // where its transport is, so the core then runs on its own clock, as
    // under a VST 2 host without time information.
    std::optional<double> position() const { return known ? std::optional(samplePosition) : std::nullopt; }

    // After a block of `frames`: the timeline moves by the frames played at
    // the transport's speed; a speed of 0 leaves it standing.
    void advance(std::uint32_t frames) {
        if (known) samplePosition += static_cast<double>(frames) * speed;
    }

private:
    double samplePosition = 0.0;
    // Timeline frames per audio frame: 1 while playing, 0 while stopped. A
    // host that names a position but never a speed is taken to be playing.
    double speed = 1.0;
    bool known = false;
    // The frame the last message named, and how many blocks have started
    // since it came (counted to 2: only 1 matters).
    std::optional<double> lastNamedFrame;
    std::uint32_t blocksSinceLastMessage = 2;
};
