// SPDX-License-Identifier: MIT
// Blinks the built-in LED in a heartbeat, each pause exactly as long as
// written, at the board's clock: on 100 ms, off 150 ms, on 100 ms, off
// 650 ms. cyclotrim_delay_ms(100) takes exactly 1,600,000 cycles at
// 16 MHz, in a few instruction words; the code around it (digitalWrite) adds
// its own few cycles. With interrupts off, nothing lengthens the delays:
// the timer interrupt that millis() needs would, as it lengthens any
// busy-wait.
#include <Cyclotrim.h>

void setup() {
    pinMode(LED_BUILTIN, OUTPUT);
    noInterrupts();
}

void loop() {
    digitalWrite(LED_BUILTIN, HIGH);
    cyclotrim_delay_ms(100);
    digitalWrite(LED_BUILTIN, LOW);
    cyclotrim_delay_ms(150);
    digitalWrite(LED_BUILTIN, HIGH);
    cyclotrim_delay_ms(100);
    digitalWrite(LED_BUILTIN, LOW);
    cyclotrim_delay_ms(650);
}
