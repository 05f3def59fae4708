// Included by blocks.hpp, and again inside the namespace and target region of each portable
// kernel, before block_loop.hpp, so that its loop calls a copy compiled for its own instructions:
// GCC for s390x inlines nothing across a change of target. Hence no include guard; the copy's
// block_carry is its own too, so that the call finds no other copy through its argument.

// What a block hands to the next one about the line that goes on into it: kept as whole words, so
// that the loop holds them in registers and adds them in with no conversion.
struct block_carry {
    uint64_t skipping;   // 1 where a NUL has ended the line's text, else 0
    uint64_t text;       // the block's text bytes, one bit each: its top bit the line going on
    uint64_t next_high;  // 1 where the line goes on with a high digit at byte 0 of the next block
};

// Whether a pair's high digit waits at the last byte of the block for its low digit, the first
// byte of the next.
constexpr bool low_digit_pending(const block_carry& carry)
{
    return (carry.text >> 63) != 0 && carry.next_high == 0;
}

constexpr bool is_text(uint8_t c)
{
    return c != '\n' && c != '\0';
}

// Bit i of `lf` and `nul` tells whether byte i of the block is a line feed or a NUL; bit 0 of
// `next_marks` whether the byte after the block is either (its other bits do not count). Returns
// the bits of the bytes that begin a whole pair, that is, a high digit whose low digit follows on
// the same line.
constexpr uint64_t pair_starts(uint64_t lf, uint64_t nul, uint64_t next_marks, block_carry& carry)
{
    constexpr uint64_t even = 0x5555555555555555;

    // Most text holds no NUL: then no byte is skipped, and every byte but a line feed is text.
    // From a NUL to the next line feed nothing is text. Adding a bit at the foot of a run of
    // ones clears the run, so the sum marks the runs of plain bytes that follow a NUL.
    uint64_t text = ~lf;
    if ((nul | carry.skipping) != 0) {
        const uint64_t plain = ~(lf | nul);
        const uint64_t after_nul = plain & ((nul << 1) | carry.skipping);
        const uint64_t skipped = nul | (plain & ~(after_nul + plain));
        carry.skipping = skipped >> 63;
        text = plain & ~skipped;
    }

    // A line's high digits stand at its first text byte and every second one after. Adding its
    // start to each run that starts at an even byte clears that run and leaves the others, so the
    // sum with its even bits flipped marks every high digit. The addition runs on from block to
    // block: its carry out is a run going on that started even, and stands as that run's start.
    const uint64_t starts = (text & ~((text << 1) | (carry.text >> 63)) & even) | carry.next_high;
    uint64_t sum = 0;
    carry.next_high = __builtin_add_overflow(starts, text, &sum);
    carry.text = text;
    return text & (sum ^ even) & ((text >> 1) | (~next_marks << 63));
}
