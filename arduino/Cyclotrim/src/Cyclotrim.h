/* SPDX-License-Identifier: MIT */
/* Cyclotrim's exact delays for sketches: cyclotrim_delay_us(t),
   cyclotrim_delay_ms(t) and cyclotrim_delay_cycles(n), planned while the
   sketch compiles (see cyclotrim/delay.h). The board's F_CPU is the clock.
   Interrupts that run during a delay lengthen it, as they lengthen any
   busy-wait: turn them off (noInterrupts()) where the time must be exact. */
#ifndef CYCLOTRIM_H
#define CYCLOTRIM_H

#include "cyclotrim/delay.h"

#endif
