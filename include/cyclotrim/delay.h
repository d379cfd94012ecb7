/* SPDX-License-Identifier: MIT */
/* Exact busy-wait delays for AVR, with nothing to run before the build.

   C and C++ (avr-gcc, clang --target=avr), at every optimisation level:

       #include <cyclotrim/delay.h>
       cyclotrim_delay_cycles(1000);   exactly 1000 cycles; any integer
                                       constant from 0 to 4294967295
       cyclotrim_delay_us(2.5);        with F_CPU (in Hz) defined: the time
       cyclotrim_delay_ms(10);         times the clock, rounded up, so never
                                       shorter than asked, exact when whole

   A time is a decimal literal as C writes it (2.5, 1e-3, .5f, in
   parentheses or not), read exactly from its digits, or an integer
   constant expression (BIT_US + 1), evaluated exactly.

   A preprocessed assembler file (.S) that includes this header gets the
   macro `cyclotrim_delay_cycles N`.

   The delay is planned while the code is assembled, from the count alone,
   in the fewest instruction words that Cyclotrim's compact planner finds
   (cyclotrim-gen --compact --syntax c N writes the same words): a loop
   whose counter has one to four bytes in r24 to r27, counted down with dec,
   or sbiw and sbci (subi and sbci on the reduced core of the ATtiny4/5/9/10
   and 20/40), with padding (nop, and rjmp to the next instruction for two
   cycles) in its body and after it; where that saves a word, a second loop
   on the counter left at 0, or an 8-bit loop around it, which loads the
   loop's counter on every pass or once before it. Its branches name
   no label, so none can meet a label of the code around it. It changes r24
   to r27 and the status flags, which C code may change freely: the
   compiler saves what it keeps there. Interrupts that run during the delay
   lengthen it, as they lengthen any busy-wait.

   A count that is not an integer constant, or out of range, a time that is
   neither of the above, and a time without F_CPU, are compile errors.

   Under clang, which lacks it, the header also gives avr-libc's delays
   (_delay_us, _delay_ms) the builtin they call, __builtin_avr_delay_cycles,
   when it is included before <util/delay.h>. */

#ifndef CYCLOTRIM_DELAY_PLANNER_LINES
#ifndef CYCLOTRIM_DELAY_H
#define CYCLOTRIM_DELAY_H

/* The planner is written once, in the lines at the end of this file, each
   line one assembler statement. An assembler file takes them as they are;
   C takes each as an asm statement at file scope, short enough for every
   standard's string limit. The planner's macros are defined once per
   assembly, however many files the compiler merges into one (-flto). */
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
#define CYCLOTRIM__ASM(...) __asm__(#__VA_ARGS__ "\n");
#define CYCLOTRIM_DELAY_PLANNER_LINES
#include "delay.h"
#undef CYCLOTRIM_DELAY_PLANNER_LINES

#ifdef __cplusplus
#define CYCLOTRIM__CAST(type, value) static_cast<type>(value)
#else
#define CYCLOTRIM__CAST(type, value) ((type)(value))
#endif

#if defined(__cplusplus) && __cplusplus >= 201103L
#define CYCLOTRIM__ASSERT(condition, why, message) static_assert(condition, message)
#elif !defined(__cplusplus) && defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define CYCLOTRIM__ASSERT(condition, why, message) _Static_assert(condition, message)
#else
#define CYCLOTRIM__ASSERT(condition, why, message)                                                 \
    typedef char why[(condition) ? 1 : -1] __attribute__((__unused__))
#endif

/* Whether a constant has an integer type (integer, enumeration or bool),
   and its value where it has, 0 otherwise: a floating value is never
   converted, so no conversion can overflow. */
#define CYCLOTRIM__IS_INTEGER(value)                                                               \
    (__builtin_classify_type(value) >= 1 && __builtin_classify_type(value) <= 4)
#define CYCLOTRIM__INTEGER(value)                                                                  \
    (CYCLOTRIM__IS_INTEGER(value) && __builtin_constant_p(value) ? (value) : 0)

#define CYCLOTRIM__TEXT(...) #__VA_ARGS__
#define CYCLOTRIM__EXPANDED_TEXT(...) CYCLOTRIM__TEXT(__VA_ARGS__)
#define CYCLOTRIM__CLOBBERS "r24", "r25", "r26", "r27"

#define cyclotrim_delay_cycles(count)                                                              \
    __extension__({                                                                                \
        CYCLOTRIM__ASSERT(__builtin_constant_p(count) && CYCLOTRIM__IS_INTEGER(count),             \
                          cyclotrim_delay_cycles_needs_an_integer_constant,                        \
                          "cyclotrim_delay_cycles: the count must be an integer constant");        \
        CYCLOTRIM__ASSERT(CYCLOTRIM__CAST(unsigned long long, CYCLOTRIM__INTEGER(count)) <=        \
                              4294967295ULL,                                                       \
                          cyclotrim_delay_cycles_takes_0_to_4294967295,                            \
                          "cyclotrim_delay_cycles: the count must be from 0 to 4294967295");       \
        __asm__ __volatile__(".set .Lcyc_n, %0\n\tcyclotrim__delay"                                \
                             :                                                                     \
                             : "i"(CYCLOTRIM__CAST(unsigned long long, CYCLOTRIM__INTEGER(count))) \
                             : CYCLOTRIM__CLOBBERS);                                               \
    })

/* A time's characters, one at a time, as .Lcyc_ch, their code. clang's
   assembler goes through a quoted text with its quotes and gives a
   character's code as '\c'; GNU as goes through it without them, and the
   code comes from comparing the character with each one a time may hold
   (0 for any other). */
#ifdef __clang__
#define CYCLOTRIM__CHARACTER_CODE ".set .Lcyc_ch, '\\c'\n\t"
#else
#define CYCLOTRIM__IS(character, code) \
    ".ifc \\c," character "\n\t.set .Lcyc_ch, " code "\n\t.endif\n\t"
#define CYCLOTRIM__CHARACTER_CODE                                                                  \
    ".set .Lcyc_ch, 0\n\t.irpc d, 0123456789\n\t.ifc \\c,\\d\n\t"                                  \
    ".set .Lcyc_ch, (48 + \\d)\n\t.endif\n\t.endr\n\t" CYCLOTRIM__IS(".", "46")                    \
    CYCLOTRIM__IS("e", "101") CYCLOTRIM__IS("E", "69") CYCLOTRIM__IS("+", "43")                    \
    CYCLOTRIM__IS("-", "45") CYCLOTRIM__IS("(", "40") CYCLOTRIM__IS(")", "41")                     \
    CYCLOTRIM__IS("f", "102") CYCLOTRIM__IS("F", "70") CYCLOTRIM__IS("l", "108")                   \
    CYCLOTRIM__IS("L", "76") CYCLOTRIM__IS("", "32")
#endif

/* Both readings of a time, chosen while assembling: an integer's value,
   or the characters of its text, read twice (their form, then their
   digits, each at its place). The errors name the macro and the time as
   the call writes it. */
#define CYCLOTRIM__TIME(time, written, per_second, name)                                           \
    __extension__({                                                                                \
        CYCLOTRIM__ASSERT(__builtin_constant_p(time), name##_needs_a_constant_time,                \
                          #name ": the time must be a compile-time constant");                     \
        __asm__ __volatile__(                                                                      \
            ".set .Lcyc_clock, %0\n\t.set .Lcyc_per_second, " #per_second "\n\t"                   \
            ".set .Lcyc_integer, %1\n\t.set .Lcyc_whole, %2\n\t.set .Lcyc_minus, %3\n\t"           \
            "cyclotrim__time_start\n\t.if .Lcyc_integer == 0\n\t"                                  \
            ".irpc c, \"" CYCLOTRIM__EXPANDED_TEXT(time) "\"\n\t" CYCLOTRIM__CHARACTER_CODE        \
            "cyclotrim__time_character\n\t.endr\n\tcyclotrim__time_places\n\t"                     \
            ".irpc c, \"" CYCLOTRIM__EXPANDED_TEXT(time) "\"\n\t" CYCLOTRIM__CHARACTER_CODE        \
            "cyclotrim__time_digit\n\t.endr\n\t.endif\n\tcyclotrim__time_count\n\t"                \
            CYCLOTRIM__TIME_ERROR(1, name, written, "must be a decimal number such as 2.5 or "     \
                                  "1e-3, or an integer constant expression")                       \
            CYCLOTRIM__TIME_ERROR(2, name, written, "must not be negative")                        \
            CYCLOTRIM__TIME_ERROR(3, name, written, "takes more than 4294967295 cycles at F_CPU")  \
            CYCLOTRIM__TIME_ERROR(4, name, written, "needs F_CPU, the clock in Hz, "               \
                                  "from 1 to 4294967295")                                          \
            "cyclotrim__delay"                                                                     \
            :                                                                                      \
            : "i"(CYCLOTRIM__CAST(unsigned long long, F_CPU)), "i"(CYCLOTRIM__IS_INTEGER(time)),   \
              "i"(CYCLOTRIM__CAST(unsigned long long, CYCLOTRIM__INTEGER(time))),                  \
              "i"(CYCLOTRIM__INTEGER(time) < 1 &&                                                  \
                  CYCLOTRIM__CAST(long long, CYCLOTRIM__INTEGER(time)) != 0)                       \
            : CYCLOTRIM__CLOBBERS);                                                                \
    })

#define CYCLOTRIM__TIME_ERROR(bad, name, written, why)                                             \
    ".if .Lcyc_bad == " #bad "\n\t.error \"" #name "(" written ") on line "                        \
    CYCLOTRIM__EXPANDED_TEXT(__LINE__) ": the time " why "\"\n\t.endif\n\t"

#define cyclotrim_delay_us(time) CYCLOTRIM__TIME(time, #time, 1000000, cyclotrim_delay_us)
#define cyclotrim_delay_ms(time) CYCLOTRIM__TIME(time, #time, 1000, cyclotrim_delay_ms)

/* avr-gcc's builtin, which avr-libc's _delay_us and _delay_ms call, for
   clang, which lacks it: the count, converted to unsigned long as avr-gcc
   converts it, must be a constant once the call is inlined (from -O1 on,
   where avr-libc calls it). */
#if defined(__clang__) && defined(__has_builtin)
#if !__has_builtin(__builtin_avr_delay_cycles)
static __inline__ __attribute__((__always_inline__)) void __builtin_avr_delay_cycles(
    unsigned long cycles) {
    __asm__ __volatile__(".set .Lcyc_n, %0\n\tcyclotrim__delay" : : "i"(cycles) : CYCLOTRIM__CLOBBERS);
}
#endif
#endif

#endif /* __ASSEMBLER__ */
#endif /* CYCLOTRIM_DELAY_H */

#else /* CYCLOTRIM_DELAY_PLANNER_LINES: the planner, one assembler line each */

/* Symbols .Lcyc_... stay out of the object's symbol table. Every
   expression is written with parentheses, as GNU as and clang's assembler
   rank some operators differently. The lines define the macros once per
   assembly, however many files the compiler merges into one (-flto). */
CYCLOTRIM__ASM(.ifndef .Lcyc_defined)
CYCLOTRIM__ASM(.set .Lcyc_defined, 1)

/* The branches name no label, so that none can meet a label of the code
   around a delay: they give their target as .+X, the distance from the
   instruction after the branch in GNU as, from the branch itself in
   clang's assembler. */
#ifdef __clang__
CYCLOTRIM__ASM(.set .Lcyc_after_branch, 0)
#else
CYCLOTRIM__ASM(.set .Lcyc_after_branch, 2)
#endif

/* The reduced core of the ATtiny4/5/9/10, 20/40 and 102/104 has no sbiw: a
   counter of two bytes or more counts down with subi and sbci. avr-gcc
   names the core, clang only the device. */
#if defined(__AVR_TINY__) || defined(__AVR_ATtiny4__) || defined(__AVR_ATtiny5__) ||     \
    defined(__AVR_ATtiny9__) || defined(__AVR_ATtiny10__) || defined(__AVR_ATtiny20__) || \
    defined(__AVR_ATtiny40__) || defined(__AVR_ATtiny102__) || defined(__AVR_ATtiny104__)
CYCLOTRIM__ASM(.set .Lcyc_no_sbiw, 1)
#else
CYCLOTRIM__ASM(.set .Lcyc_no_sbiw, 0)
#endif

/* .Lcyc_pad_cycles cycles of padding: rjmp to the next instruction for two, nop for one. */
CYCLOTRIM__ASM(.macro cyclotrim__pad)
CYCLOTRIM__ASM(.rept (.Lcyc_pad_cycles / 2))
CYCLOTRIM__ASM(rjmp .+(2 - .Lcyc_after_branch))
CYCLOTRIM__ASM(.endr)
CYCLOTRIM__ASM(.if (.Lcyc_pad_cycles - ((.Lcyc_pad_cycles / 2) * 2)))
CYCLOTRIM__ASM(nop)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.endm)

/* brne back over the .Lcyc_back words before it. */
CYCLOTRIM__ASM(.macro cyclotrim__branch_back)
CYCLOTRIM__ASM(brne .+((0 - (2 * .Lcyc_back)) - .Lcyc_after_branch))
CYCLOTRIM__ASM(.endm)

/* .Lcyc_lw0: the words of a loop of .Lcyc_bytes bytes without padding: its ldi
   instructions, its count-down and brne. */
CYCLOTRIM__ASM(.macro cyclotrim__loop_words)
CYCLOTRIM__ASM(.set .Lcyc_lw0, ((2 * .Lcyc_bytes) + .Lcyc_no_sbiw))
CYCLOTRIM__ASM(.if (.Lcyc_bytes == 1))
CYCLOTRIM__ASM(.set .Lcyc_lw0, 3)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.endm)

/* The count-down of a counter of .Lcyc_c_bytes bytes, low byte in r24: dec, or
   sbiw on r24:r25 (subi and sbci where there is no sbiw) and sbci on r26
   and r27; its words in .Lcyc_cd_words. */
CYCLOTRIM__ASM(.macro cyclotrim__count_down)
CYCLOTRIM__ASM(.set .Lcyc_cd_words, ((.Lcyc_c_bytes - 1) + .Lcyc_no_sbiw))
CYCLOTRIM__ASM(.if (.Lcyc_c_bytes == 1))
CYCLOTRIM__ASM(.set .Lcyc_cd_words, 1)
CYCLOTRIM__ASM(dec r24)
CYCLOTRIM__ASM(.elseif .Lcyc_no_sbiw)
CYCLOTRIM__ASM(subi r24, 1)
CYCLOTRIM__ASM(sbci r25, 0)
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
CYCLOTRIM__ASM(cyclotrim__loop_words)
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
CYCLOTRIM__ASM(.if ((.Lcyc_f_bytes == 1) && ((3 + ((((.Lcyc_before / 256) - 3) + 1) / 2)) < .Lcyc_s_bound)) || ((.Lcyc_f_bytes <= 2) && (((4 + .Lcyc_no_sbiw) + (((((.Lcyc_before - 1) / 65536) - 4) + 1) / 2)) < .Lcyc_s_bound)) || (((6 + .Lcyc_no_sbiw) + (((((.Lcyc_before - 2) / 16777216) - 5) + 1) / 2)) < .Lcyc_s_bound) || ((8 + .Lcyc_no_sbiw) < .Lcyc_s_bound))
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
CYCLOTRIM__ASM(.set .Lcyc_bytes, .Lcyc_f_bytes)
CYCLOTRIM__ASM(cyclotrim__loop_words)
CYCLOTRIM__ASM(.set .Lcyc_fw0, (.Lcyc_lw0 - .Lcyc_f_bytes))
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
CYCLOTRIM__ASM(cyclotrim__loop_words)
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

/* A loop inside an outer loop on the next register that loads the loop's
   counter once, before its own ldi: the first pass runs the loop's passes,
   every later one a full wrap of the counter left at 0. With .Lcyc_pass the
   loop's pass, .Lcyc_full its full wrap, .Lcyc_d the outer loop's padding
   and .Lcyc_a its passes, every later pass takes .Lcyc_later = full x pass
   + d + 2 cycles and the first as many less m passes, for the m passes
   fewer that the loop's ldi gives it; the padding after takes the rest.
   Tried: the loop's bytes .Lcyc_bytes (1 to 3), its body padding from the
   least with which 256 passes can reach the count, the outer padding, and
   for each the outer passes from the most that fit with m = 0, as many as
   the pass has cycles, where the rest repeats. */
CYCLOTRIM__ASM(.macro cyclotrim__once_passes)
CYCLOTRIM__ASM(.if .Lcyc_go_a)
CYCLOTRIM__ASM(.if ((((.Lcyc_a - 1) * .Lcyc_later) + .Lcyc_first_least) > .Lcyc_spread))
CYCLOTRIM__ASM(.set .Lcyc_go_a, 0)
CYCLOTRIM__ASM(.else)
CYCLOTRIM__ASM(.set .Lcyc_excess, ((.Lcyc_a * .Lcyc_later) - .Lcyc_spread))
CYCLOTRIM__ASM(.set .Lcyc_fewer, 0)
CYCLOTRIM__ASM(.if (.Lcyc_excess > 0))
CYCLOTRIM__ASM(.set .Lcyc_fewer, (((.Lcyc_excess + .Lcyc_pass) - 1) / .Lcyc_pass))
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.set .Lcyc_after, ((.Lcyc_fewer * .Lcyc_pass) - .Lcyc_excess))
CYCLOTRIM__ASM(.set .Lcyc_words, (.Lcyc_d_words + ((.Lcyc_after + 1) / 2)))
CYCLOTRIM__ASM(.if (.Lcyc_words < .Lcyc_best))
CYCLOTRIM__ASM(.set .Lcyc_best, .Lcyc_words)
CYCLOTRIM__ASM(.set .Lcyc_shape, 4)
CYCLOTRIM__ASM(.set .Lcyc_l_bytes, .Lcyc_bytes)
CYCLOTRIM__ASM(.set .Lcyc_l_body, .Lcyc_body)
CYCLOTRIM__ASM(.set .Lcyc_l_passes, (.Lcyc_full - .Lcyc_fewer))
CYCLOTRIM__ASM(.set .Lcyc_o_passes, .Lcyc_a)
CYCLOTRIM__ASM(.set .Lcyc_o_pad, .Lcyc_d)
CYCLOTRIM__ASM(.set .Lcyc_pad_after, .Lcyc_after)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.if (.Lcyc_after == 0))
CYCLOTRIM__ASM(.set .Lcyc_go_a, 0)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.set .Lcyc_a, (.Lcyc_a + 1))
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.endm)

CYCLOTRIM__ASM(.macro cyclotrim__once_padding)
CYCLOTRIM__ASM(.set .Lcyc_d_words, (.Lcyc_body_words + ((.Lcyc_d + 1) / 2)))
CYCLOTRIM__ASM(.set .Lcyc_later, (((.Lcyc_full * .Lcyc_pass) + .Lcyc_d) + 2))
CYCLOTRIM__ASM(.set .Lcyc_first_least, ((.Lcyc_pass + .Lcyc_d) + 2))
CYCLOTRIM__ASM(.if .Lcyc_go_d && (.Lcyc_d_words < .Lcyc_best) && ((.Lcyc_first_least + .Lcyc_later) <= .Lcyc_spread))
CYCLOTRIM__ASM(.set .Lcyc_two_fit, 1)
CYCLOTRIM__ASM(.set .Lcyc_a, (.Lcyc_spread / .Lcyc_later))
CYCLOTRIM__ASM(.if (.Lcyc_a < 2))
CYCLOTRIM__ASM(.set .Lcyc_a, 2)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.set .Lcyc_a_last, (.Lcyc_a + .Lcyc_pass))
CYCLOTRIM__ASM(.if (.Lcyc_a_last > 256))
CYCLOTRIM__ASM(.set .Lcyc_a_last, 256)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.set .Lcyc_go_a, 1)
CYCLOTRIM__ASM(.if (.Lcyc_a_last >= .Lcyc_a))
CYCLOTRIM__ASM(.rept ((.Lcyc_a_last - .Lcyc_a) + 1))
CYCLOTRIM__ASM(cyclotrim__once_passes)
CYCLOTRIM__ASM(.endr)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.set .Lcyc_d, (.Lcyc_d + 1))
CYCLOTRIM__ASM(.else)
CYCLOTRIM__ASM(.set .Lcyc_go_d, 0)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.endm)

CYCLOTRIM__ASM(.macro cyclotrim__once_body)
CYCLOTRIM__ASM(.set .Lcyc_body_words, ((.Lcyc_lw0 + ((.Lcyc_body + 1) / 2)) + 3))
CYCLOTRIM__ASM(.if .Lcyc_go_body && (.Lcyc_body_words < .Lcyc_best))
CYCLOTRIM__ASM(.set .Lcyc_pass, ((.Lcyc_body + .Lcyc_cd_cycles) + 2))
CYCLOTRIM__ASM(.set .Lcyc_two_fit, 0)
CYCLOTRIM__ASM(.set .Lcyc_d, 0)
CYCLOTRIM__ASM(.set .Lcyc_go_d, 1)
CYCLOTRIM__ASM(.rept (2 * (.Lcyc_best - .Lcyc_body_words)))
CYCLOTRIM__ASM(cyclotrim__once_padding)
CYCLOTRIM__ASM(.endr)
CYCLOTRIM__ASM(.if (.Lcyc_two_fit == 0))
CYCLOTRIM__ASM(.set .Lcyc_go_body, 0)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.set .Lcyc_body, (.Lcyc_body + 1))
CYCLOTRIM__ASM(.else)
CYCLOTRIM__ASM(.set .Lcyc_go_body, 0)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.endm)

CYCLOTRIM__ASM(.macro cyclotrim__once)
CYCLOTRIM__ASM(.set .Lcyc_bytes, 1)
CYCLOTRIM__ASM(.set .Lcyc_go_bytes, 1)
CYCLOTRIM__ASM(.rept 3)
CYCLOTRIM__ASM(cyclotrim__loop_words)
CYCLOTRIM__ASM(.if .Lcyc_go_bytes && ((.Lcyc_lw0 + 3) < .Lcyc_best))
CYCLOTRIM__ASM(.set .Lcyc_full, (1 << (8 * .Lcyc_bytes)))
CYCLOTRIM__ASM(.set .Lcyc_spread, (.Lcyc_n - .Lcyc_bytes))
CYCLOTRIM__ASM(.set .Lcyc_cd_cycles, .Lcyc_bytes)
CYCLOTRIM__ASM(.if (.Lcyc_bytes == 1))
CYCLOTRIM__ASM(.set .Lcyc_cd_cycles, 1)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.set .Lcyc_body, (((((.Lcyc_spread - 128) / 256) - 130) / .Lcyc_full) - (.Lcyc_cd_cycles + 2)))
CYCLOTRIM__ASM(.if (.Lcyc_body < 0))
CYCLOTRIM__ASM(.set .Lcyc_body, 0)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.set .Lcyc_body_most, (2 * ((.Lcyc_best - .Lcyc_lw0) - 3)))
CYCLOTRIM__ASM(.set .Lcyc_go_body, 1)
CYCLOTRIM__ASM(.if (.Lcyc_body_most > .Lcyc_body))
CYCLOTRIM__ASM(.rept (.Lcyc_body_most - .Lcyc_body))
CYCLOTRIM__ASM(cyclotrim__once_body)
CYCLOTRIM__ASM(.endr)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.else)
CYCLOTRIM__ASM(.set .Lcyc_go_bytes, 0)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.set .Lcyc_bytes, (.Lcyc_bytes + 1))
CYCLOTRIM__ASM(.endr)
CYCLOTRIM__ASM(.endm)

/* The plan of fewest words for exactly .Lcyc_n cycles: padding alone, one
   loop, a loop and a second one on its counter, a loop in an outer loop
   that loads it on every pass, or once; of equal ones, the first found.
   (A loop followed by two loops on its counter never takes fewer words
   with four registers, so it is not tried.) */
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
CYCLOTRIM__ASM(cyclotrim__once)
CYCLOTRIM__ASM(.endm)

/* The plan's loop: its ldi instructions, low byte first (a full wrap
   loads 0). */
CYCLOTRIM__ASM(.macro cyclotrim__loop_load)
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
CYCLOTRIM__ASM(.endm)

/* The plan's loop after its ldi instructions: its body's padding, its
   count-down and brne; the words it branches back over in .Lcyc_back. */
CYCLOTRIM__ASM(.macro cyclotrim__loop_body)
CYCLOTRIM__ASM(.set .Lcyc_pad_cycles, .Lcyc_l_body)
CYCLOTRIM__ASM(cyclotrim__pad)
CYCLOTRIM__ASM(.set .Lcyc_c_bytes, .Lcyc_l_bytes)
CYCLOTRIM__ASM(cyclotrim__count_down)
CYCLOTRIM__ASM(.set .Lcyc_back, (((.Lcyc_l_body + 1) / 2) + .Lcyc_cd_words))
CYCLOTRIM__ASM(cyclotrim__branch_back)
CYCLOTRIM__ASM(.endm)

/* The outer loop's ldi, on the register after the loop's counter. */
CYCLOTRIM__ASM(.macro cyclotrim__outer_load)
CYCLOTRIM__ASM(.if (.Lcyc_l_bytes == 1))
CYCLOTRIM__ASM(ldi r25, (.Lcyc_o_passes & 0xff))
CYCLOTRIM__ASM(.elseif (.Lcyc_l_bytes == 2))
CYCLOTRIM__ASM(ldi r26, (.Lcyc_o_passes & 0xff))
CYCLOTRIM__ASM(.else)
CYCLOTRIM__ASM(ldi r27, (.Lcyc_o_passes & 0xff))
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.endm)

/* The outer loop's end: its padding, dec and brne back over the
   .Lcyc_back words of the pass before them. */
CYCLOTRIM__ASM(.macro cyclotrim__outer_end)
CYCLOTRIM__ASM(.set .Lcyc_back, ((.Lcyc_back + ((.Lcyc_o_pad + 1) / 2)) + 1))
CYCLOTRIM__ASM(.set .Lcyc_pad_cycles, .Lcyc_o_pad)
CYCLOTRIM__ASM(cyclotrim__pad)
CYCLOTRIM__ASM(.if (.Lcyc_l_bytes == 1))
CYCLOTRIM__ASM(dec r25)
CYCLOTRIM__ASM(.elseif (.Lcyc_l_bytes == 2))
CYCLOTRIM__ASM(dec r26)
CYCLOTRIM__ASM(.else)
CYCLOTRIM__ASM(dec r27)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(cyclotrim__branch_back)
CYCLOTRIM__ASM(.endm)

/* Writes the plan for .Lcyc_n cycles. */
CYCLOTRIM__ASM(.macro cyclotrim__delay)
CYCLOTRIM__ASM(.set .Lcyc_n, (.Lcyc_n & 0xffffffff))
CYCLOTRIM__ASM(cyclotrim__plan)
CYCLOTRIM__ASM(.if (.Lcyc_shape == 3))
CYCLOTRIM__ASM(cyclotrim__outer_load)
CYCLOTRIM__ASM(cyclotrim__loop_load)
CYCLOTRIM__ASM(cyclotrim__loop_body)
CYCLOTRIM__ASM(.set .Lcyc_back, ((.Lcyc_l_bytes + .Lcyc_back) + 1))
CYCLOTRIM__ASM(cyclotrim__outer_end)
CYCLOTRIM__ASM(.elseif (.Lcyc_shape == 4))
CYCLOTRIM__ASM(cyclotrim__loop_load)
CYCLOTRIM__ASM(cyclotrim__outer_load)
CYCLOTRIM__ASM(cyclotrim__loop_body)
CYCLOTRIM__ASM(.set .Lcyc_back, (.Lcyc_back + 1))
CYCLOTRIM__ASM(cyclotrim__outer_end)
CYCLOTRIM__ASM(.elseif (.Lcyc_shape >= 1))
CYCLOTRIM__ASM(cyclotrim__loop_load)
CYCLOTRIM__ASM(cyclotrim__loop_body)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.if (.Lcyc_shape == 2))
CYCLOTRIM__ASM(.set .Lcyc_pad_cycles, .Lcyc_a_body)
CYCLOTRIM__ASM(cyclotrim__pad)
CYCLOTRIM__ASM(.set .Lcyc_c_bytes, .Lcyc_a_bytes)
CYCLOTRIM__ASM(cyclotrim__count_down)
CYCLOTRIM__ASM(.set .Lcyc_back, (((.Lcyc_a_body + 1) / 2) + .Lcyc_cd_words))
CYCLOTRIM__ASM(cyclotrim__branch_back)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.set .Lcyc_pad_cycles, .Lcyc_pad_after)
CYCLOTRIM__ASM(cyclotrim__pad)
CYCLOTRIM__ASM(.endm)

/* A time, read into .Lcyc_n cycles: .Lcyc_clock x the time / .Lcyc_per_second,
   rounded up, exactly, whatever the number of its digits. .Lcyc_bad says
   why there is none: 1 the text is no decimal literal, 2 the time is
   negative, 3 it takes more than 4294967295 cycles, 4 the clock is out of
   range. An integer's value comes in .Lcyc_whole (.Lcyc_integer); a
   decimal literal's text is read twice, a character at a time (.Lcyc_ch,
   its code): first its form (cyclotrim__time_character), which gives each
   digit its place, then its digits (cyclotrim__time_digit). The integer
   part is .Lcyc_t; the fraction F is taken as ceil(F x clock), from which
   the count is ceil((t x clock + ceil(F x clock)) / per second). */
CYCLOTRIM__ASM(.macro cyclotrim__time_start)
CYCLOTRIM__ASM(.set .Lcyc_bad, 0)
CYCLOTRIM__ASM(.set .Lcyc_invalid, 0)
CYCLOTRIM__ASM(.set .Lcyc_state, 0)
CYCLOTRIM__ASM(.set .Lcyc_digits, 0)
CYCLOTRIM__ASM(.set .Lcyc_before_point, 0)
CYCLOTRIM__ASM(.set .Lcyc_point, 0)
CYCLOTRIM__ASM(.set .Lcyc_open, 0)
CYCLOTRIM__ASM(.set .Lcyc_exponent, 0)
CYCLOTRIM__ASM(.set .Lcyc_exponent_sign, 1)
CYCLOTRIM__ASM(.set .Lcyc_in_exponent, 0)
CYCLOTRIM__ASM(.set .Lcyc_weight, -1)
CYCLOTRIM__ASM(.set .Lcyc_t, 0)
CYCLOTRIM__ASM(.set .Lcyc_t_most, (4294967295 * .Lcyc_per_second))
CYCLOTRIM__ASM(.if .Lcyc_integer)
CYCLOTRIM__ASM(.set .Lcyc_t, .Lcyc_whole)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.set .Lcyc_fraction_places, 0)
CYCLOTRIM__ASM(.set .Lcyc_mode, 0)
CYCLOTRIM__ASM(.set .Lcyc_rest, 0)
CYCLOTRIM__ASM(.set .Lcyc_place, 1)
CYCLOTRIM__ASM(.set .Lcyc_fraction_whole, 0)
CYCLOTRIM__ASM(.set .Lcyc_sticky, 0)
CYCLOTRIM__ASM(.endm)

/* The form: spaces and opening parentheses (state 0), the digits with at
   most one point (1), e or E (2), a sign (3), the exponent's digits (4), a
   suffix f, F, l or L (5), then spaces and closing parentheses (6); a minus
   sign before it all makes the time negative. clang's quotes are passed
   over. */
CYCLOTRIM__ASM(.macro cyclotrim__time_character)
CYCLOTRIM__ASM(.set .Lcyc_digit, (.Lcyc_ch - 48))
CYCLOTRIM__ASM(.if (.Lcyc_ch == 34))
CYCLOTRIM__ASM(.elseif (.Lcyc_digit >= 0) && (.Lcyc_digit <= 9) && (.Lcyc_state <= 1))
CYCLOTRIM__ASM(.set .Lcyc_state, 1)
CYCLOTRIM__ASM(.set .Lcyc_digits, (.Lcyc_digits + 1))
CYCLOTRIM__ASM(.if (.Lcyc_point == 0))
CYCLOTRIM__ASM(.set .Lcyc_before_point, (.Lcyc_before_point + 1))
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.elseif (.Lcyc_digit >= 0) && (.Lcyc_digit <= 9) && (.Lcyc_state >= 2) && (.Lcyc_state <= 4))
CYCLOTRIM__ASM(.set .Lcyc_state, 4)
CYCLOTRIM__ASM(.if (.Lcyc_exponent < 100000))
CYCLOTRIM__ASM(.set .Lcyc_exponent, ((.Lcyc_exponent * 10) + .Lcyc_digit))
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.elseif (.Lcyc_ch == 46) && (.Lcyc_state <= 1) && (.Lcyc_point == 0))
CYCLOTRIM__ASM(.set .Lcyc_state, 1)
CYCLOTRIM__ASM(.set .Lcyc_point, 1)
CYCLOTRIM__ASM(.elseif ((.Lcyc_ch == 101) || (.Lcyc_ch == 69)) && (.Lcyc_state == 1) && (.Lcyc_digits > 0))
CYCLOTRIM__ASM(.set .Lcyc_state, 2)
CYCLOTRIM__ASM(.elseif ((.Lcyc_ch == 43) || (.Lcyc_ch == 45)) && (.Lcyc_state == 2))
CYCLOTRIM__ASM(.set .Lcyc_state, 3)
CYCLOTRIM__ASM(.if (.Lcyc_ch == 45))
CYCLOTRIM__ASM(.set .Lcyc_exponent_sign, -1)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.elseif ((.Lcyc_ch == 102) || (.Lcyc_ch == 70) || (.Lcyc_ch == 108) || (.Lcyc_ch == 76)) && ((.Lcyc_state == 1) || (.Lcyc_state == 4)) && (.Lcyc_digits > 0))
CYCLOTRIM__ASM(.set .Lcyc_state, 5)
CYCLOTRIM__ASM(.elseif (.Lcyc_ch == 40) && (.Lcyc_state == 0))
CYCLOTRIM__ASM(.set .Lcyc_open, (.Lcyc_open + 1))
CYCLOTRIM__ASM(.elseif (.Lcyc_ch == 45) && (.Lcyc_state == 0) && (.Lcyc_minus == 0))
CYCLOTRIM__ASM(.set .Lcyc_minus, 1)
CYCLOTRIM__ASM(.elseif (.Lcyc_ch == 32) && ((.Lcyc_state == 0) || (.Lcyc_state == 6)))
CYCLOTRIM__ASM(.elseif ((.Lcyc_ch == 32) || (.Lcyc_ch == 41)) && ((.Lcyc_state == 1) || (.Lcyc_state >= 4)))
CYCLOTRIM__ASM(.set .Lcyc_state, 6)
CYCLOTRIM__ASM(.if (.Lcyc_ch == 41))
CYCLOTRIM__ASM(.set .Lcyc_open, (.Lcyc_open - 1))
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.else)
CYCLOTRIM__ASM(.set .Lcyc_invalid, 1)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.endm)

/* After the form: whether it is a literal, and the place of the first
   digit (0 for units, -1 for tenths, ...). */
CYCLOTRIM__ASM(.macro cyclotrim__time_places)
CYCLOTRIM__ASM(.if (.Lcyc_digits == 0) || (.Lcyc_open != 0) || (.Lcyc_state == 0) || (.Lcyc_state == 2) || (.Lcyc_state == 3))
CYCLOTRIM__ASM(.set .Lcyc_invalid, 1)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.set .Lcyc_weight, ((.Lcyc_before_point - 1) + (.Lcyc_exponent_sign * .Lcyc_exponent)))
CYCLOTRIM__ASM(.endm)

/* The digits, each at its place (.Lcyc_weight), until the exponent. */
CYCLOTRIM__ASM(.macro cyclotrim__time_digit)
CYCLOTRIM__ASM(.set .Lcyc_digit, (.Lcyc_ch - 48))
CYCLOTRIM__ASM(.if (.Lcyc_ch == 101) || (.Lcyc_ch == 69))
CYCLOTRIM__ASM(.set .Lcyc_in_exponent, 1)
CYCLOTRIM__ASM(.elseif (.Lcyc_digit >= 0) && (.Lcyc_digit <= 9) && (.Lcyc_in_exponent == 0) && (.Lcyc_invalid == 0))
CYCLOTRIM__ASM(cyclotrim__time_place)
CYCLOTRIM__ASM(.set .Lcyc_weight, (.Lcyc_weight - 1))
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.endm)

/* A digit of the integer part goes into .Lcyc_t, which stops growing past
   the most a time can have (any more is too long at any clock); one of the
   fraction goes to cyclotrim__time_fraction, after the zeros of the places
   before it (of which 30 settle the fraction's state). */
CYCLOTRIM__ASM(.macro cyclotrim__time_place)
CYCLOTRIM__ASM(.if (.Lcyc_weight >= 0))
CYCLOTRIM__ASM(.set .Lcyc_t, ((.Lcyc_t * 10) + .Lcyc_digit))
CYCLOTRIM__ASM(.if (.Lcyc_t > .Lcyc_t_most))
CYCLOTRIM__ASM(.set .Lcyc_t, (.Lcyc_t_most + 1))
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.else)
CYCLOTRIM__ASM(.set .Lcyc_zeros, (((0 - .Lcyc_weight) - 1) - .Lcyc_fraction_places))
CYCLOTRIM__ASM(.if (.Lcyc_zeros > 30))
CYCLOTRIM__ASM(.set .Lcyc_zeros, 30)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.set .Lcyc_f, 0)
CYCLOTRIM__ASM(.rept .Lcyc_zeros)
CYCLOTRIM__ASM(cyclotrim__time_fraction)
CYCLOTRIM__ASM(.endr)
CYCLOTRIM__ASM(.set .Lcyc_fraction_places, (0 - .Lcyc_weight))
CYCLOTRIM__ASM(.set .Lcyc_f, .Lcyc_digit)
CYCLOTRIM__ASM(cyclotrim__time_fraction)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.endm)

/* The next digit .Lcyc_f of the fraction F, towards ceil(F x clock) =
   .Lcyc_fraction_whole + what is left over. While the place is small
   (mode 0), F x clock so far is .Lcyc_fraction_whole + .Lcyc_rest /
   .Lcyc_place, exactly. From a place of 10^12, more than any clock, the
   digits to come add less than one place's worth of F x clock, less than
   .Lcyc_clock / .Lcyc_place: they can carry into the whole only while what
   is left over lacks less than .Lcyc_clock to the next whole (mode 1: that
   lack, .Lcyc_gap, followed digit by digit); otherwise only whether any of
   them is not zero matters (mode 2, .Lcyc_sticky). */
CYCLOTRIM__ASM(.macro cyclotrim__time_fraction)
CYCLOTRIM__ASM(.if (.Lcyc_mode == 0))
CYCLOTRIM__ASM(.set .Lcyc_rest, ((.Lcyc_rest * 10) + (.Lcyc_f * .Lcyc_clock)))
CYCLOTRIM__ASM(.set .Lcyc_place, (.Lcyc_place * 10))
CYCLOTRIM__ASM(.set .Lcyc_fraction_whole, (.Lcyc_fraction_whole + (.Lcyc_rest / .Lcyc_place)))
CYCLOTRIM__ASM(.set .Lcyc_rest, (.Lcyc_rest - ((.Lcyc_rest / .Lcyc_place) * .Lcyc_place)))
CYCLOTRIM__ASM(.if (.Lcyc_place >= 1000000000000))
CYCLOTRIM__ASM(.set .Lcyc_gap, (.Lcyc_place - .Lcyc_rest))
CYCLOTRIM__ASM(.set .Lcyc_mode, 2)
CYCLOTRIM__ASM(.if (.Lcyc_rest > 0) && (.Lcyc_gap < .Lcyc_clock))
CYCLOTRIM__ASM(.set .Lcyc_mode, 1)
CYCLOTRIM__ASM(.elseif (.Lcyc_rest > 0))
CYCLOTRIM__ASM(.set .Lcyc_sticky, 1)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.elseif (.Lcyc_mode == 1))
CYCLOTRIM__ASM(.set .Lcyc_gap, ((.Lcyc_gap * 10) - (.Lcyc_f * .Lcyc_clock)))
CYCLOTRIM__ASM(.if (.Lcyc_gap <= 0))
CYCLOTRIM__ASM(.set .Lcyc_fraction_whole, (.Lcyc_fraction_whole + 1))
CYCLOTRIM__ASM(.set .Lcyc_mode, 2)
CYCLOTRIM__ASM(.if (.Lcyc_gap < 0))
CYCLOTRIM__ASM(.set .Lcyc_sticky, 1)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.elseif (.Lcyc_gap >= .Lcyc_clock))
CYCLOTRIM__ASM(.set .Lcyc_mode, 2)
CYCLOTRIM__ASM(.set .Lcyc_sticky, 1)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.elseif (.Lcyc_f != 0))
CYCLOTRIM__ASM(.set .Lcyc_sticky, 1)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.endm)

/* The count, or the reason there is none in .Lcyc_bad (.Lcyc_n is then 0). */
CYCLOTRIM__ASM(.macro cyclotrim__time_count)
CYCLOTRIM__ASM(.if (.Lcyc_integer == 0) && (.Lcyc_invalid == 0) && (.Lcyc_weight >= 0))
CYCLOTRIM__ASM(.set .Lcyc_zeros, (.Lcyc_weight + 1))
CYCLOTRIM__ASM(.if (.Lcyc_zeros > 20))
CYCLOTRIM__ASM(.set .Lcyc_zeros, 20)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.rept .Lcyc_zeros)
CYCLOTRIM__ASM(.set .Lcyc_t, (.Lcyc_t * 10))
CYCLOTRIM__ASM(.if (.Lcyc_t > .Lcyc_t_most))
CYCLOTRIM__ASM(.set .Lcyc_t, (.Lcyc_t_most + 1))
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.endr)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.set .Lcyc_fraction_up, .Lcyc_fraction_whole)
CYCLOTRIM__ASM(.if ((.Lcyc_mode == 0) && (.Lcyc_rest > 0)) || (.Lcyc_mode == 1) || .Lcyc_sticky)
CYCLOTRIM__ASM(.set .Lcyc_fraction_up, (.Lcyc_fraction_whole + 1))
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.set .Lcyc_n, 0)
CYCLOTRIM__ASM(.if .Lcyc_invalid)
CYCLOTRIM__ASM(.set .Lcyc_bad, 1)
CYCLOTRIM__ASM(.elseif .Lcyc_minus)
CYCLOTRIM__ASM(.set .Lcyc_bad, 2)
CYCLOTRIM__ASM(.elseif (.Lcyc_clock < 1) || (.Lcyc_clock > 4294967295))
CYCLOTRIM__ASM(.set .Lcyc_bad, 4)
CYCLOTRIM__ASM(.elseif (.Lcyc_t < 0) || (.Lcyc_t > (.Lcyc_t_most / .Lcyc_clock)))
CYCLOTRIM__ASM(.set .Lcyc_bad, 3)
CYCLOTRIM__ASM(.else)
CYCLOTRIM__ASM(.set .Lcyc_n, (((((.Lcyc_t * .Lcyc_clock) + .Lcyc_fraction_up) + .Lcyc_per_second) - 1) / .Lcyc_per_second))
CYCLOTRIM__ASM(.if (.Lcyc_n > 4294967295))
CYCLOTRIM__ASM(.set .Lcyc_bad, 3)
CYCLOTRIM__ASM(.set .Lcyc_n, 0)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.endif)
CYCLOTRIM__ASM(.endm)

CYCLOTRIM__ASM(.endif)

#endif /* CYCLOTRIM_DELAY_PLANNER_LINES */
