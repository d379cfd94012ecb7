; SPDX-License-Identifier: MIT
; Blinks the LED of an ATmega328P at 16 MHz (PB5: pin 13 of an Arduino Uno)
; in a heartbeat: on 100 ms, off 150 ms, on 100 ms, off 650 ms, the times
; read from a table.
;
; delay_ms comes from delay_ms.inc, which the Makefile has cyclotrim-gen
; write: with n in r25:r24 it takes exactly n x 16000 cycles, n ms, from the
; first cycle of "rcall delay_ms" to the instruction after it, for every n
; from 1 to 65535. It changes r24, r25, R18 and R19, no register used here.
;
; Between two changes of the LED: n x 16000 + 15 cycles, the 15 being this
; loop's own instructions: out 1, ldi 1, ldi 1, add 1, adc 1, lpm 3, lpm 3,
; subi 1, andi 1, rjmp 2.

.include "m328Pdef.inc"

.def zero = r2         ; 0, to add a carry
.def led = r16         ; the LED's bit: writing it to PINB toggles the pin
.def index = r17       ; the table entry's offset in bytes: 0, 2, 4, 6

.cseg
.org 0
	ldi r16,high(RAMEND)
	out SPH,r16
	ldi r16,low(RAMEND)
	out SPL,r16
	sbi DDRB,DDB5
	clr zero
	ldi led,1<<PINB5
	clr index
blink:
	out PINB,led                ; the LED changes
	ldi ZL,low(2*blink_ms)
	ldi ZH,high(2*blink_ms)
	add ZL,index
	adc ZH,zero
	lpm r24,Z+
	lpm r25,Z
	rcall delay_ms              ; n x 16000 cycles
	subi index,-2               ; the next entry; after the last, the first
	andi index,6
	rjmp blink

; Milliseconds until the next change, four entries (the mask above).
blink_ms:
	.dw 100, 150, 100, 650

.include "delay_ms.inc"
