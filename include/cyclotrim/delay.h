/* SPDX-License-Identifier: MIT */
/* Exact busy-wait delays for AVR, with nothing to run before the build.

   C and C++ (avr-gcc, clang --target=avr), at every optimisation level:

       #include <cyclotrim/delay.h>
       cyclotrim_delay_cycles(1000);   exactly 1000 cycles; any constant
                                       from 0 to 4294967295
       cyclotrim_delay_us(2.5);        with F_CPU (in Hz) defined: the time
       cyclotrim_delay_ms(10);         times the clock, rounded up, so never
                                       shorter than asked, exact when whole

   A preprocessed assembler file (.S) that includes this header gets the
   macro `cyclotrim_delay_cycles N`.

   The delay is planned while the code is assembled, from the count alone,
   in the fewest instruction words that Cyclotrim's compact planner finds
   (cyclotrim-gen --compact --syntax c N writes the same words): a loop
   whose counter has one to four bytes in r24 to r27, counted down with dec,
   or sbiw and sbci, with padding (nop, and rjmp to the next instruction for
   two cycles) in its body and after it; where that saves a word, a second
   loop on the counter left at 0, or an 8-bit loop around it. It changes
   r24 to r27 and the status flags, which C code may change freely: the
   compiler saves what it keeps there. Interrupts that run during the delay
   lengthen it, as they lengthen any busy-wait.

   A count that is not a compile-time constant, or out of range, and a time
   without F_CPU, are compile errors. */

#ifndef CYCLOTRIM_DELAY_PLANNER_LINES
#ifndef CYCLOTRIM_DELAY_H
#define CYCLOTRIM_DELAY_H

/* The planner is written once, in the lines at the end of this file, each
   line one assembler statement. An assembler file takes them as they are;
   C takes them as the text of one asm statement at file scope, which
   defines the planner's macros once for the translation unit. */
#ifdef __ASSEMBLER__
#define CYCLOTRIM__ASM(...) __VA_ARGS__
#define CYCLOTRIM_DELAY_PLANNER_LINES
#include "delay.h"
#undef CYCLOTRIM_DELAY_PLANNER_LINES

.macro cyclotrim_delay_cycles count
.if ((\count) < 0) || ((\count) > 4294967295)
.error "cyclotrim_delay_cycles: the count must be from 0 to 4294967295"
.endif
.set .Lcyc_n, (\count)
cyclotrim__delay
.endm

#else
#define CYCLOTRIM__ASM(...) #__VA_ARGS__ "\n"
__asm__(
#define CYCLOTRIM_DELAY_PLANNER_LINES
#include "delay.h"
#undef CYCLOTRIM_DELAY_PLANNER_LINES
);

#if defined(__cplusplus) && __cplusplus >= 201103L
#define CYCLOTRIM__ASSERT(condition, why, message) static_assert(condition, message)
#elif defined(__cplusplus)
#define CYCLOTRIM__ASSERT(condition, why, message) \
    typedef char why[(condition) ? 1 : -1] __attribute__((unused))
#else
#define CYCLOTRIM__ASSERT(condition, why, message) _Static_assert(condition, message)
#endif

#define CYCLOTRIM__TEXT(...) #__VA_ARGS__
#define CYCLOTRIM__EXPANDED_TEXT(...) CYCLOTRIM__TEXT(__VA_ARGS__)
#define CYCLOTRIM__CLOBBERS "r24", "r25", "r26", "r27"

#define cyclotrim_delay_cycles(count)                                                        \
    ({                                                                                       \
        CYCLOTRIM__ASSERT(__builtin_constant_p(count),                                      \
                          cyclotrim_delay_cycles_needs_a_constant_count,                     \
                          "cyclotrim_delay_cycles: the count must be a compile-time constant"); \
        CYCLOTRIM__ASSERT((unsigned long long)(__builtin_constant_p(count) ? (count) : 0) <= \
                              4294967295ULL,                                                 \
                          cyclotrim_delay_cycles_takes_0_to_4294967295,                      \
                          "cyclotrim_delay_cycles: the count must be from 0 to 4294967295"); \
        __asm__ __volatile__(".set .Lcyc_n, %0\n\tcyclotrim__delay"                          \
                             :                                                               \
                             : "i"((unsigned long long)(count))                              \
                             : CYCLOTRIM__CLOBBERS);                                         \
    })

/* A time: its number as written (an integer or a decimal fraction, with
   an exponent e or E; a type suffix and parentheses are passed over) is
   read a character at a time while assembling, so that the count is
   exact. clang's assembler goes through a quoted text with its quotes and
   gives a character's code as '\c'; GNU as goes through it without them,
   and the code comes from comparing each character. */
#ifdef __clang__
#define CYCLOTRIM__CHARACTER_CODE ".set .Lcyc_ch, '\\c'\n\t"
#else
#define CYCLOTRIM__CHARACTER_CODE                                                            \
    ".set .Lcyc_ch, 0\n\t.irpc d, 0123456789\n\t.ifc \\c,\\d\n\t"                          \
    ".set .Lcyc_ch, (48 + \\d)\n\t.endif\n\t.endr\n\t"                                      \
    ".ifc \\c,.\n\t.set .Lcyc_ch, 46\n\t.endif\n\t.ifc \\c,e\n\t.set .Lcyc_ch, 101\n\t.endif\n\t" \
    ".ifc \\c,E\n\t.set .Lcyc_ch, 69\n\t.endif\n\t.ifc \\c,-\n\t.set .Lcyc_ch, 45\n\t.endif\n\t"  \
    ".ifc \\c,+\n\t.set .Lcyc_ch, 43\n\t.endif\n\t.ifc \\c,(\n\t.set .Lcyc_ch, 40\n\t.endif\n\t"  \
    ".ifc \\c,)\n\t.set .Lcyc_ch, 41\n\t.endif\n\t"                                         \
    ".irpc s, fFlLuU\n\t.ifc \\c,\\s\n\t.set .Lcyc_ch, 102\n\t.endif\n\t.endr\n\t"
#endif

#define CYCLOTRIM__TIME(time, per_second, name)                                              \
    ({                                                                                       \
        CYCLOTRIM__ASSERT(__builtin_constant_p(time), name##_needs_a_constant_time,          \
                          #name ": the time must be a compile-time constant");               \
        __asm__ __volatile__(                                                                \
            ".set .Lcyc_clock, %0\n\t.set .Lcyc_per_second, " #per_second "\n\t"            \
            "cyclotrim__time_start\n\t"                                                      \
            ".irpc c, \"" CYCLOTRIM__EXPANDED_TEXT(time) "\"\n\t" CYCLOTRIM__CHARACTER_CODE   \
            "cyclotrim__time_character\n\t.endr\n\t"                                         \
            ".if .Lcyc_bad\n\t"                                                              \
            ".error \"" #name ": the time must be a number, such as 2.5 or 1e3\"\n\t"        \
            ".endif\n\tcyclotrim__time_count\n\t"                                            \
            ".if .Lcyc_bad\n\t"                                                              \
            ".error \"" #name ": the time at F_CPU takes more than 4294967295 cycles\"\n\t"  \
            ".endif\n\tcyclotrim__delay"                                                     \
            :                                                                                \
            : "i"((unsigned long long)(F_CPU))                                               \
            : CYCLOTRIM__CLOBBERS);                                                          \
    })

#define cyclotrim_delay_us(time) CYCLOTRIM__TIME(time, 1000000, cyclotrim_delay_us)
#define cyclotrim_delay_ms(time) CYCLOTRIM__TIME(time, 1000, cyclotrim_delay_ms)

#endif /* __ASSEMBLER__ */
#endif /* CYCLOTRIM_DELAY_H */

#else /* CYCLOTRIM_DELAY_PLANNER_LINES: the planner, one assembler line each */

/* Symbols .Lcyc_... stay out of the object's symbol table. Every
   expression is written with parentheses, as GNU as and clang's assembler
   rank some operators differently. */

/* .Lcyc_pad_cycles cycles of padding: rjmp to the next instruction for two, nop for one. */
CYCLOTRIM__ASM(.macro cyclotrim__pad)
CYCLOTRIM__ASM(.rept (.Lcyc_pad_cycles / 2))
CYCLOTRIM__ASM(rjmp 8f)
CYCLOTRIM__ASM(8:)
CYCLOTRIM__ASM(.endr)
CYCLOTRIM__ASM(.if (.Lcyc_pad_cycles - ((.Lcyc_pad_cycles / 2) * 2)))
CYCLOTRIM__ASM(nop)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.endm)

/* The count-down of a counter of .Lcyc_c_bytes bytes, low byte in r24: dec, or
   sbiw on r24:r25 and sbci on r26 and r27. */
CYCLOTRIM__ASM(.macro cyclotrim__count_down)
CYCLOTRIM__ASM(.if (.Lcyc_c_bytes == 1))
CYCLOTRIM__ASM(dec r24)
CYCLOTRIM__ASM(.else)
CYCLOTRIM__ASM(sbiw r24, 1)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.if (.Lcyc_c_bytes >= 3))
CYCLOTRIM__ASM(sbci r26, 0)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.if (.Lcyc_c_bytes == 4))
CYCLOTRIM__ASM(sbci r27, 0)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.endm)

/* One body padding .Lcyc_body for a loop of .Lcyc_bytes bytes over .Lcyc_for_passes
   cycles (the count less the ldi instructions, plus the cycle the last
   brne saves): as many passes as fit, the rest padding after the loop;
   kept when it takes fewer words than .Lcyc_s_bound. */
CYCLOTRIM__ASM(.macro cyclotrim__try_padding)
CYCLOTRIM__ASM(.set .Lcyc_pass_cycles, ((.Lcyc_body + .Lcyc_bytes) + 2))
CYCLOTRIM__ASM(.if ((.Lcyc_lw0 + ((.Lcyc_body + 1) / 2)) < .Lcyc_s_bound) && (.Lcyc_for_passes >= .Lcyc_pass_cycles))
CYCLOTRIM__ASM(.set .Lcyc_passes, (.Lcyc_for_passes / .Lcyc_pass_cycles))
CYCLOTRIM__ASM(.if (.Lcyc_passes > .Lcyc_most))
CYCLOTRIM__ASM(.set .Lcyc_passes, .Lcyc_most)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.set .Lcyc_after, (.Lcyc_for_passes - (.Lcyc_passes * .Lcyc_pass_cycles)))
CYCLOTRIM__ASM(.set .Lcyc_words, ((.Lcyc_lw0 + ((.Lcyc_body + 1) / 2)) + ((.Lcyc_after + 1) / 2)))
CYCLOTRIM__ASM(.if (.Lcyc_words < .Lcyc_s_bound))
CYCLOTRIM__ASM(.set .Lcyc_s_bound, .Lcyc_words)
CYCLOTRIM__ASM(.set .Lcyc_s_found, 1)
CYCLOTRIM__ASM(.set .Lcyc_s_bytes, .Lcyc_bytes)
CYCLOTRIM__ASM(.set .Lcyc_s_passes, .Lcyc_passes)
CYCLOTRIM__ASM(.set .Lcyc_s_body, .Lcyc_body)
CYCLOTRIM__ASM(.set .Lcyc_s_after, .Lcyc_after)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.endm)

/* The loop of fewest words, below .Lcyc_s_bound, for exactly .Lcyc_s_cycles
   cycles, its counter of .Lcyc_s_first to .Lcyc_s_last bytes: .Lcyc_s_found,
   and its words in .Lcyc_s_bound. Body padding is tried from the least with
   which the counter holds the passes, or a full wrap leaves less than a
   pass to the padding after it, up to where the loop alone takes as many
   words as the best plan so far: the first try sets that bound before the
   others are counted. */
CYCLOTRIM__ASM(.macro cyclotrim__single)
CYCLOTRIM__ASM(.set .Lcyc_s_found, 0)
CYCLOTRIM__ASM(.set .Lcyc_bytes, .Lcyc_s_first)
CYCLOTRIM__ASM(.rept 4)
CYCLOTRIM__ASM(.set .Lcyc_for_passes, ((.Lcyc_s_cycles - .Lcyc_bytes) + 1))
CYCLOTRIM__ASM(.if (.Lcyc_bytes <= .Lcyc_s_last) && (.Lcyc_for_passes > 0))
CYCLOTRIM__ASM(.set .Lcyc_most, (1 << (8 * .Lcyc_bytes)))
CYCLOTRIM__ASM(.set .Lcyc_lw0, (2 * .Lcyc_bytes))
CYCLOTRIM__ASM(.if (.Lcyc_bytes == 1))
CYCLOTRIM__ASM(.set .Lcyc_lw0, 3)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.set .Lcyc_body, ((.Lcyc_for_passes / .Lcyc_most) - (.Lcyc_bytes + 2)))
CYCLOTRIM__ASM(.if (.Lcyc_body < 0))
CYCLOTRIM__ASM(.set .Lcyc_body, 0)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(cyclotrim__try_padding)
CYCLOTRIM__ASM(.set .Lcyc_body, (.Lcyc_body + 1))
CYCLOTRIM__ASM(.set .Lcyc_body_most, (2 * ((.Lcyc_s_bound - .Lcyc_lw0) - 1)))
CYCLOTRIM__ASM(.if (.Lcyc_body_most >= .Lcyc_body) && (.Lcyc_for_passes >= ((.Lcyc_body + .Lcyc_bytes) + 2)))
CYCLOTRIM__ASM(.rept ((.Lcyc_body_most - .Lcyc_body) + 1))
CYCLOTRIM__ASM(cyclotrim__try_padding)
CYCLOTRIM__ASM(.set .Lcyc_body, (.Lcyc_body + 1))
CYCLOTRIM__ASM(.endr)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.set .Lcyc_bytes, (.Lcyc_bytes + 1))
CYCLOTRIM__ASM(.endr)
CYCLOTRIM__ASM(.endm)

/* Keeps the loop cyclotrim__single found as the plan's loop. */
CYCLOTRIM__ASM(.macro cyclotrim__keep_loop)
CYCLOTRIM__ASM(.set .Lcyc_l_bytes, .Lcyc_s_bytes)
CYCLOTRIM__ASM(.set .Lcyc_l_passes, .Lcyc_s_passes)
CYCLOTRIM__ASM(.set .Lcyc_l_body, .Lcyc_s_body)
CYCLOTRIM__ASM(.endm)

/* A loop followed by a second one, of .Lcyc_f_bytes bytes and .Lcyc_f_body cycles
   of body padding, that counts the first one's counter, left at 0, down
   again without loading it. The loop before it is searched only where one
   of its sizes could fit the bound: a loop of B bytes takes at least its
   words without padding and half the least body padding that lets its
   counter hold the passes (see cyclotrim__single). */
CYCLOTRIM__ASM(.macro cyclotrim__try_following)
CYCLOTRIM__ASM(.set .Lcyc_f_words, (.Lcyc_fw0 + ((.Lcyc_f_body + 1) / 2)))
CYCLOTRIM__ASM(.set .Lcyc_before, (.Lcyc_n - ((.Lcyc_f_most * ((.Lcyc_f_body + .Lcyc_f_bytes) + 2)) - 1)))
CYCLOTRIM__ASM(.set .Lcyc_s_bound, (.Lcyc_best - .Lcyc_f_words))
CYCLOTRIM__ASM(.if ((.Lcyc_f_words + 3) < .Lcyc_best) && (.Lcyc_before >= 0))
CYCLOTRIM__ASM(.if ((.Lcyc_f_bytes == 1) && ((3 + ((((.Lcyc_before / 256) - 3) + 1) / 2)) < .Lcyc_s_bound)) || ((.Lcyc_f_bytes <= 2) && ((4 + (((((.Lcyc_before - 1) / 65536) - 4) + 1) / 2)) < .Lcyc_s_bound)) || ((6 + (((((.Lcyc_before - 2) / 16777216) - 5) + 1) / 2)) < .Lcyc_s_bound) || (8 < .Lcyc_s_bound))
CYCLOTRIM__ASM(.set .Lcyc_s_cycles, .Lcyc_before)
CYCLOTRIM__ASM(.set .Lcyc_s_first, .Lcyc_f_bytes)
CYCLOTRIM__ASM(.set .Lcyc_s_last, 4)
CYCLOTRIM__ASM(cyclotrim__single)
CYCLOTRIM__ASM(.if .Lcyc_s_found)
CYCLOTRIM__ASM(.set .Lcyc_best, (.Lcyc_s_bound + .Lcyc_f_words))
CYCLOTRIM__ASM(.set .Lcyc_shape, 2)
CYCLOTRIM__ASM(cyclotrim__keep_loop)
CYCLOTRIM__ASM(.set .Lcyc_pad_after, .Lcyc_s_after)
CYCLOTRIM__ASM(.set .Lcyc_a_bytes, .Lcyc_f_bytes)
CYCLOTRIM__ASM(.set .Lcyc_a_body, .Lcyc_f_body)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.endm)

CYCLOTRIM__ASM(.macro cyclotrim__following)
CYCLOTRIM__ASM(.set .Lcyc_f_most, (1 << (8 * .Lcyc_f_bytes)))
CYCLOTRIM__ASM(.set .Lcyc_fw0, 2)
CYCLOTRIM__ASM(.if (.Lcyc_f_bytes == 3))
CYCLOTRIM__ASM(.set .Lcyc_fw0, 3)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.set .Lcyc_f_body, 0)
CYCLOTRIM__ASM(.set .Lcyc_f_most_body, (2 * ((.Lcyc_best - 4) - .Lcyc_fw0)))
CYCLOTRIM__ASM(.if (.Lcyc_f_most_body >= 0))
CYCLOTRIM__ASM(.rept (.Lcyc_f_most_body + 1))
CYCLOTRIM__ASM(cyclotrim__try_following)
CYCLOTRIM__ASM(.set .Lcyc_f_body, (.Lcyc_f_body + 1))
CYCLOTRIM__ASM(.endr)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.endm)

/* A loop inside an outer loop of .Lcyc_outer_passes passes on the next register:
   .Lcyc_outer_passes x (the loop with its padding + dec and brne), then the
   .Lcyc_outer_after cycles left as padding. The plan's caller tries only the
   passes that leave padding of fewer words than the plan so far less the
   six of the smallest loop in an outer loop. */
CYCLOTRIM__ASM(.macro cyclotrim__outer)
CYCLOTRIM__ASM(.set .Lcyc_each, (.Lcyc_n / .Lcyc_outer_passes))
CYCLOTRIM__ASM(.set .Lcyc_o_bound, ((.Lcyc_best - 3) - ((.Lcyc_outer_after + 1) / 2)))
CYCLOTRIM__ASM(.if (.Lcyc_best > 6) && (.Lcyc_each >= 6) && (.Lcyc_o_bound > 3))
CYCLOTRIM__ASM(.set .Lcyc_s_cycles, (.Lcyc_each - 3))
CYCLOTRIM__ASM(.set .Lcyc_s_first, 1)
CYCLOTRIM__ASM(.set .Lcyc_s_last, 3)
CYCLOTRIM__ASM(.set .Lcyc_s_bound, .Lcyc_o_bound)
CYCLOTRIM__ASM(cyclotrim__single)
CYCLOTRIM__ASM(.if .Lcyc_s_found)
CYCLOTRIM__ASM(.set .Lcyc_best, ((.Lcyc_s_bound + 3) + ((.Lcyc_outer_after + 1) / 2)))
CYCLOTRIM__ASM(.set .Lcyc_shape, 3)
CYCLOTRIM__ASM(cyclotrim__keep_loop)
CYCLOTRIM__ASM(.set .Lcyc_o_pad, .Lcyc_s_after)
CYCLOTRIM__ASM(.set .Lcyc_o_passes, .Lcyc_outer_passes)
CYCLOTRIM__ASM(.set .Lcyc_pad_after, .Lcyc_outer_after)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.endm)

/* The fewest passes of an outer loop (2 to 256, or 257 for none) whose
   loop inside can take fewer words than the plan so far less the outer
   loop's three: a loop of B bytes (1 to 3) over X cycles takes at least
   its words without padding, L, and then half the least body padding that
   lets its counter hold the passes, X / 256^B - B - 2, so fewer passes,
   and a longer X, can only take more. */
CYCLOTRIM__ASM(.macro cyclotrim__fewest_outer_passes)
CYCLOTRIM__ASM(.set .Lcyc_outer_passes, 257)
CYCLOTRIM__ASM(.set .Lcyc_bytes, 1)
CYCLOTRIM__ASM(.rept 3)
CYCLOTRIM__ASM(.set .Lcyc_lw0, (2 * .Lcyc_bytes))
CYCLOTRIM__ASM(.if (.Lcyc_bytes == 1))
CYCLOTRIM__ASM(.set .Lcyc_lw0, 3)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.set .Lcyc_spare, ((.Lcyc_best - 4) - .Lcyc_lw0))
CYCLOTRIM__ASM(.if (.Lcyc_spare >= 0))
CYCLOTRIM__ASM(.set .Lcyc_most, (1 << (8 * .Lcyc_bytes)))
CYCLOTRIM__ASM(.set .Lcyc_each_most, ((.Lcyc_most * (((2 * .Lcyc_spare) + .Lcyc_bytes) + 3)) + (.Lcyc_bytes + 2)))
CYCLOTRIM__ASM(.set .Lcyc_a_least, ((.Lcyc_n / .Lcyc_each_most) + 1))
CYCLOTRIM__ASM(.if (.Lcyc_a_least < .Lcyc_outer_passes))
CYCLOTRIM__ASM(.set .Lcyc_outer_passes, .Lcyc_a_least)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.set .Lcyc_bytes, (.Lcyc_bytes + 1))
CYCLOTRIM__ASM(.endr)
CYCLOTRIM__ASM(.if (.Lcyc_outer_passes < 2))
CYCLOTRIM__ASM(.set .Lcyc_outer_passes, 2)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.endm)

/* The plan of fewest words for exactly .Lcyc_n cycles: padding alone, one
   loop, a loop and a second one on its counter, or a loop in an outer
   loop; of equal ones, the first found. */
CYCLOTRIM__ASM(.macro cyclotrim__plan)
CYCLOTRIM__ASM(.set .Lcyc_best, 65)
CYCLOTRIM__ASM(.set .Lcyc_shape, 0)
CYCLOTRIM__ASM(.if (((.Lcyc_n + 1) / 2) <= 64))
CYCLOTRIM__ASM(.set .Lcyc_best, ((.Lcyc_n + 1) / 2))
CYCLOTRIM__ASM(.set .Lcyc_pad_after, .Lcyc_n)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.set .Lcyc_s_cycles, .Lcyc_n)
CYCLOTRIM__ASM(.set .Lcyc_s_first, 1)
CYCLOTRIM__ASM(.set .Lcyc_s_last, 4)
CYCLOTRIM__ASM(.set .Lcyc_s_bound, .Lcyc_best)
CYCLOTRIM__ASM(cyclotrim__single)
CYCLOTRIM__ASM(.if .Lcyc_s_found)
CYCLOTRIM__ASM(.set .Lcyc_best, .Lcyc_s_bound)
CYCLOTRIM__ASM(.set .Lcyc_shape, 1)
CYCLOTRIM__ASM(cyclotrim__keep_loop)
CYCLOTRIM__ASM(.set .Lcyc_pad_after, .Lcyc_s_after)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.set .Lcyc_f_bytes, 1)
CYCLOTRIM__ASM(.rept 3)
CYCLOTRIM__ASM(cyclotrim__following)
CYCLOTRIM__ASM(.set .Lcyc_f_bytes, (.Lcyc_f_bytes + 1))
CYCLOTRIM__ASM(.endr)
CYCLOTRIM__ASM(cyclotrim__fewest_outer_passes)
CYCLOTRIM__ASM(.if (.Lcyc_outer_passes <= 256))
CYCLOTRIM__ASM(.rept (257 - .Lcyc_outer_passes))
CYCLOTRIM__ASM(.set .Lcyc_outer_after, (.Lcyc_n - (.Lcyc_outer_passes * (.Lcyc_n / .Lcyc_outer_passes))))
CYCLOTRIM__ASM(.if (.Lcyc_outer_after <= (2 * (.Lcyc_best - 7))))
CYCLOTRIM__ASM(cyclotrim__outer)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.set .Lcyc_outer_passes, (.Lcyc_outer_passes + 1))
CYCLOTRIM__ASM(.endr)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.endm)

/* The plan's loop, labelled 1: its ldi instructions, low byte first (a
   full wrap loads 0), its body's padding, its count-down and brne. */
CYCLOTRIM__ASM(.macro cyclotrim__loop)
CYCLOTRIM__ASM(ldi r24, (.Lcyc_l_passes & 0xff))
CYCLOTRIM__ASM(.if (.Lcyc_l_bytes >= 2))
CYCLOTRIM__ASM(ldi r25, ((.Lcyc_l_passes >> 8) & 0xff))
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.if (.Lcyc_l_bytes >= 3))
CYCLOTRIM__ASM(ldi r26, ((.Lcyc_l_passes >> 16) & 0xff))
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.if (.Lcyc_l_bytes == 4))
CYCLOTRIM__ASM(ldi r27, ((.Lcyc_l_passes >> 24) & 0xff))
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(1:)
CYCLOTRIM__ASM(.set .Lcyc_pad_cycles, .Lcyc_l_body)
CYCLOTRIM__ASM(cyclotrim__pad)
CYCLOTRIM__ASM(.set .Lcyc_c_bytes, .Lcyc_l_bytes)
CYCLOTRIM__ASM(cyclotrim__count_down)
CYCLOTRIM__ASM(brne 1b)
CYCLOTRIM__ASM(.endm)

/* Writes the plan for .Lcyc_n cycles. */
CYCLOTRIM__ASM(.macro cyclotrim__delay)
CYCLOTRIM__ASM(.set .Lcyc_n, (.Lcyc_n & 0xffffffff))
CYCLOTRIM__ASM(cyclotrim__plan)
CYCLOTRIM__ASM(.if (.Lcyc_shape == 3))
CYCLOTRIM__ASM(.if (.Lcyc_l_bytes == 1))
CYCLOTRIM__ASM(ldi r25, (.Lcyc_o_passes & 0xff))
CYCLOTRIM__ASM(.elseif (.Lcyc_l_bytes == 2))
CYCLOTRIM__ASM(ldi r26, (.Lcyc_o_passes & 0xff))
CYCLOTRIM__ASM(.else)
CYCLOTRIM__ASM(ldi r27, (.Lcyc_o_passes & 0xff))
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(2:)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.if (.Lcyc_shape >= 1))
CYCLOTRIM__ASM(cyclotrim__loop)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.if (.Lcyc_shape == 2))
CYCLOTRIM__ASM(3:)
CYCLOTRIM__ASM(.set .Lcyc_pad_cycles, .Lcyc_a_body)
CYCLOTRIM__ASM(cyclotrim__pad)
CYCLOTRIM__ASM(.set .Lcyc_c_bytes, .Lcyc_a_bytes)
CYCLOTRIM__ASM(cyclotrim__count_down)
CYCLOTRIM__ASM(brne 3b)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.if (.Lcyc_shape == 3))
CYCLOTRIM__ASM(.set .Lcyc_pad_cycles, .Lcyc_o_pad)
CYCLOTRIM__ASM(cyclotrim__pad)
CYCLOTRIM__ASM(.if (.Lcyc_l_bytes == 1))
CYCLOTRIM__ASM(dec r25)
CYCLOTRIM__ASM(.elseif (.Lcyc_l_bytes == 2))
CYCLOTRIM__ASM(dec r26)
CYCLOTRIM__ASM(.else)
CYCLOTRIM__ASM(dec r27)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(brne 2b)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.set .Lcyc_pad_cycles, .Lcyc_pad_after)
CYCLOTRIM__ASM(cyclotrim__pad)
CYCLOTRIM__ASM(.endm)

/* A time's number, read a character at a time (.Lcyc_ch, its code),
   then its count: .Lcyc_clock x the number / .Lcyc_per_second, rounded
   up. .Lcyc_bad when the text is no number, or the count is more than
   4294967295. The assembler computes in 64 bits: the digits, up to 18,
   times the clock must stay within them (12 digits at 16 MHz). Passed
   over: quotes, parentheses, +, and the suffixes f, l and u in either
   case. */
CYCLOTRIM__ASM(.macro cyclotrim__time_start)
CYCLOTRIM__ASM(.set .Lcyc_digits, 0)
CYCLOTRIM__ASM(.set .Lcyc_mantissa, 0)
CYCLOTRIM__ASM(.set .Lcyc_point, 0)
CYCLOTRIM__ASM(.set .Lcyc_fraction, 0)
CYCLOTRIM__ASM(.set .Lcyc_in_exponent, 0)
CYCLOTRIM__ASM(.set .Lcyc_exponent, 0)
CYCLOTRIM__ASM(.set .Lcyc_exponent_digits, 0)
CYCLOTRIM__ASM(.set .Lcyc_exponent_sign, 1)
CYCLOTRIM__ASM(.set .Lcyc_bad, 0)
CYCLOTRIM__ASM(.endm)

CYCLOTRIM__ASM(.macro cyclotrim__time_character)
CYCLOTRIM__ASM(.set .Lcyc_digit, (.Lcyc_ch - 48))
CYCLOTRIM__ASM(.if (.Lcyc_digit >= 0) && (.Lcyc_digit <= 9) && .Lcyc_in_exponent)
CYCLOTRIM__ASM(.set .Lcyc_exponent, ((.Lcyc_exponent * 10) + .Lcyc_digit))
CYCLOTRIM__ASM(.set .Lcyc_exponent_digits, (.Lcyc_exponent_digits + 1))
CYCLOTRIM__ASM(.elseif (.Lcyc_digit >= 0) && (.Lcyc_digit <= 9))
CYCLOTRIM__ASM(.set .Lcyc_mantissa, ((.Lcyc_mantissa * 10) + .Lcyc_digit))
CYCLOTRIM__ASM(.set .Lcyc_fraction, (.Lcyc_fraction + .Lcyc_point))
CYCLOTRIM__ASM(.if (.Lcyc_mantissa > 0))
CYCLOTRIM__ASM(.set .Lcyc_digits, (.Lcyc_digits + 1))
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.elseif (.Lcyc_ch == 46) && (.Lcyc_point == 0) && (.Lcyc_in_exponent == 0))
CYCLOTRIM__ASM(.set .Lcyc_point, 1)
CYCLOTRIM__ASM(.elseif ((.Lcyc_ch == 101) || (.Lcyc_ch == 69)) && (.Lcyc_in_exponent == 0))
CYCLOTRIM__ASM(.set .Lcyc_in_exponent, 1)
CYCLOTRIM__ASM(.elseif (.Lcyc_ch == 45) && .Lcyc_in_exponent && (.Lcyc_exponent_digits == 0))
CYCLOTRIM__ASM(.set .Lcyc_exponent_sign, -1)
CYCLOTRIM__ASM(.elseif (.Lcyc_ch != 34) && (.Lcyc_ch != 40) && (.Lcyc_ch != 41) && (.Lcyc_ch != 43))
CYCLOTRIM__ASM(.if ((.Lcyc_ch | 32) != 102) && ((.Lcyc_ch | 32) != 108) && ((.Lcyc_ch | 32) != 117))
CYCLOTRIM__ASM(.set .Lcyc_bad, 1)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.if (.Lcyc_digits > 18) || (.Lcyc_exponent > 40))
CYCLOTRIM__ASM(.set .Lcyc_bad, 1)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.endm)

/* count = ceil(mantissa x clock x 10^power / per second), where power is
   the exponent less the digits after the point. */
CYCLOTRIM__ASM(.macro cyclotrim__time_count)
CYCLOTRIM__ASM(.if (.Lcyc_mantissa > (4611686018427387903 / .Lcyc_clock)))
CYCLOTRIM__ASM(.set .Lcyc_bad, 1)
CYCLOTRIM__ASM(.set .Lcyc_mantissa, 0)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.set .Lcyc_numerator, (.Lcyc_mantissa * .Lcyc_clock))
CYCLOTRIM__ASM(.set .Lcyc_denominator, .Lcyc_per_second)
CYCLOTRIM__ASM(.set .Lcyc_power, ((.Lcyc_exponent_sign * .Lcyc_exponent) - .Lcyc_fraction))
CYCLOTRIM__ASM(.rept 50)
CYCLOTRIM__ASM(.if (.Lcyc_power > 0) && (.Lcyc_numerator > (4294967295 * .Lcyc_denominator)))
CYCLOTRIM__ASM(.set .Lcyc_bad, 1)
CYCLOTRIM__ASM(.set .Lcyc_power, 0)
CYCLOTRIM__ASM(.elseif (.Lcyc_power > 0))
CYCLOTRIM__ASM(.set .Lcyc_numerator, (.Lcyc_numerator * 10))
CYCLOTRIM__ASM(.set .Lcyc_power, (.Lcyc_power - 1))
CYCLOTRIM__ASM(.elseif (.Lcyc_power < 0) && (.Lcyc_denominator > .Lcyc_numerator))
CYCLOTRIM__ASM(.set .Lcyc_power, 0)
CYCLOTRIM__ASM(.elseif (.Lcyc_power < 0))
CYCLOTRIM__ASM(.set .Lcyc_denominator, (.Lcyc_denominator * 10))
CYCLOTRIM__ASM(.set .Lcyc_power, (.Lcyc_power + 1))
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.endr)
CYCLOTRIM__ASM(.set .Lcyc_n, (((.Lcyc_numerator + .Lcyc_denominator) - 1) / .Lcyc_denominator))
CYCLOTRIM__ASM(.if (.Lcyc_n > 4294967295))
CYCLOTRIM__ASM(.set .Lcyc_bad, 1)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.endm)

#endif /* CYCLOTRIM_DELAY_PLANNER_LINES */
