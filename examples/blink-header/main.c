/* SPDX-License-Identifier: MIT */
/* Blinks the LED of an ATmega328P at 16 MHz (PB5: pin 13 of an Arduino Uno)
 * in a heartbeat: on 100 ms, off 150 ms, on 100 ms, off 650 ms.
 *
 * Each delay comes from the header cyclotrim/delay.h, planned while the
 * code is compiled: cyclotrim_delay_ms(100) takes exactly 1,600,000 cycles,
 * in a few words, with avr-gcc or clang at any optimisation level. Between
 * two changes of the LED come that delay and the few cycles of the code
 * around it, which depend on the compiler: avr-gcc 5.4 with -Os changes the
 * LED n x 16000 + 1 cycles after the change before (the out that changes
 * it), and after the last delay 2 more (the rjmp back).
 */
#define F_CPU 16000000UL

#include <avr/io.h>
#include <cyclotrim/delay.h>

int main(void) {
    DDRB = _BV(DDB5);
    for (;;) {
        PINB = _BV(PINB5); /* on */
        cyclotrim_delay_ms(100);
        PINB = _BV(PINB5); /* off */
        cyclotrim_delay_ms(150);
        PINB = _BV(PINB5); /* on */
        cyclotrim_delay_ms(100);
        PINB = _BV(PINB5); /* off */
        cyclotrim_delay_ms(650);
    }
}
