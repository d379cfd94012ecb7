/* SPDX-License-Identifier: MIT */
/* Runs a program in Intel hex on an ATmega328P in simavr and prints the
 * cycle of each of the first COUNT changes of bit BIT of the data byte at
 * ADDRESS (0x25 is PORTB), one a line.
 * Usage: pin-changes FILE.hex ADDRESS BIT COUNT */
#include <sim_avr.h>
#include <sim_hex.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    if (argc != 5) {
        fprintf(stderr, "usage: pin-changes FILE.hex ADDRESS BIT COUNT\n");
        return 2;
    }
    uint32_t size = 0, start = 0;
    uint8_t* code = read_ihex_file(argv[1], &size, &start);
    if (code == NULL || size < 2) {
        fprintf(stderr, "pin-changes: no program in %s\n", argv[1]);
        return 1;
    }
    const unsigned long address = strtoul(argv[2], NULL, 0);
    const uint8_t mask = (uint8_t)(1u << atoi(argv[3]));
    const int count = atoi(argv[4]);
    avr_t* avr = avr_make_mcu_by_name("atmega328p");
    avr_init(avr);
    avr->log = LOG_NONE;
    avr_loadcode(avr, code, size, start);
    avr->pc = start;
    uint8_t level = avr->data[address] & mask;
    /* Ten seconds at 16 MHz are more than any heartbeat takes. */
    for (int changes = 0; changes < count && avr->cycle < 160000000;) {
        const int state = avr_run(avr);
        if (state == cpu_Done || state == cpu_Crashed) {
            break;
        }
        if ((avr->data[address] & mask) != level) {
            level ^= mask;
            printf("%llu\n", (unsigned long long)avr->cycle);
            ++changes;
        }
    }
    return 0;
}
