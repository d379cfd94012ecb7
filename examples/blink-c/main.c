/* SPDX-License-Identifier: MIT */
/* Blinks the LED of an ATmega328P at 16 MHz (PB5: pin 13 of an Arduino Uno)
 * in a heartbeat: on 100 ms, off 150 ms, on 100 ms, off 650 ms, the times
 * read from a table.
 *
 * delay_ms comes from delay_ms.S, which the Makefile has cyclotrim-gen
 * write: it takes exactly n x 16000 cycles, n ms, from the first cycle of
 * its call to the instruction after it, for every n from 1 to 65535. avr-gcc
 * calls it with "call" on this chip, so the Makefile asks for --call.
 *
 * Between two changes of the LED: n x 16000 + 17 cycles, the 17 being this
 * loop's own instructions as avr-gcc 5.4 compiles them with -Os (see
 * avr-objdump -d blink.elf): out 1, mov 1, ldi 1, add 1, adc 1, subi 1,
 * sbci 1, lpm 3, lpm 3, subi 1, andi 1, rjmp 2. Another compiler may take a
 * few cycles more or less; the delay itself stays exact.
 */
#include <avr/io.h>
#include <avr/pgmspace.h>
#include <stdint.h>

void delay_ms(uint16_t n);

/* Milliseconds until the next change; four entries (the mask below). */
static const uint16_t blink_ms[4] PROGMEM = {100, 150, 100, 650};

int main(void) {
    DDRB = _BV(DDB5);
    uint8_t entry = 0;
    for (;;) {
        PINB = _BV(PINB5); /* the LED changes */
        delay_ms(pgm_read_word(&blink_ms[entry]));
        entry = (entry + 1) & 3;
    }
}
