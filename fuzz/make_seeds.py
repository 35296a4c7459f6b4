#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the hand-made seed inputs of the fuzz corpus (the files named seed-*). Each seed is a
short scenario in the targets' own input format; the fuzzer grows the rest of the corpus from
them. Run from anywhere; existing seed files are overwritten."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# fuzz_dispatcher operations (opcode byte, then fixed-size arguments).
def mode(m): return bytes([0, m])
def reopen(profile): return bytes([1, profile])          # 0 console, 1 timing, 2 capture
def threshold(n): return bytes([2]) + struct.pack('<H', n)
def read_length(n): return bytes([3]) + struct.pack('<H', n)
def null_discard(on): return bytes([4, 1 if on else 0])
def deliver(data): return bytes([5, len(data)]) + data
def deliver_run(count, value): return bytes([6]) + struct.pack('<H', count) + bytes([value])
def line_event(choice, code=0): return bytes([7, choice]) + struct.pack('<h', code)
def run(passes): return bytes([8, passes])
OPEN, CLOSE = bytes([9]), bytes([10])
def fail_opens(choice): return bytes([11, choice])       # 0 none, 1 8002, 2 8005, 3 8015, 4 8020
def port(n): return bytes([12, n])
LOSE_DEVICE, EMPTY, BREAK = bytes([13]), bytes([14]), bytes([15])

dispatcher = {
    'console': reopen(0) + mode(0) + deliver(b'AB\r\nC\x00D') + run(16),
    'timing': reopen(1) + mode(2) + deliver(b'J11004\r') + run(4) + deliver(b'J11009\r') + run(4),
    'timing-garbage': reopen(1) + mode(2) + deliver(b'\rJ1100') + run(2) + deliver(b'J110x5\r')
    + run(2) + deliver(b'\x0bJ1100') + run(2) + deliver(b'J11') + line_event(0) + run(2),
    'capture': reopen(2) + mode(1) + deliver_run(300, 0x80) + run(4) + deliver_run(299, 0)
    + run(4) + deliver_run(650, 0xff) + run(8),
    'capture-refused': reopen(2) + mode(1) + fail_opens(3) + deliver_run(300, 0x40) + run(4)
    + fail_opens(0) + OPEN + fail_opens(2) + deliver_run(320, 0x41) + run(4) + fail_opens(0)
    + port(0) + reopen(2) + port(7) + reopen(2) + fail_opens(1) + deliver_run(300, 1) + run(4),
    'line-events': reopen(2) + mode(1) + BREAK + deliver_run(10, 5) + line_event(2) + run(2)
    + line_event(1) + run(2) + line_event(0) + run(2) + line_event(8, -7) + line_event(4) + run(4),
    'settings': reopen(0) + mode(0) + read_length(0) + deliver(b'xyz\r') + run(4) + threshold(5)
    + deliver(b'12') + run(2) + null_discard(True) + deliver(b'\x00\x00\x003') + run(4)
    + mode(1) + read_length(3) + threshold(299) + deliver_run(400, 9) + run(4),
    'unknown-mode': reopen(0) + mode(4) + deliver(b'xyz') + run(4) + mode(0) + deliver(b'!') + run(8),
    'device-lost': reopen(0) + mode(0) + deliver(b'abc') + LOSE_DEVICE + run(4) + EMPTY + CLOSE
    + OPEN + deliver(b'd') + run(4),
}

# fuzz_chipmodel: an 8-byte configuration, then operations.
def config(flags=0, permille=0, delay_ms=0, limit=0, digit=4, seed=1, raw_len=0):
    return bytes([flags, permille, delay_ms, limit, digit]) + struct.pack('<H', seed) + bytes([raw_len])
def raw(data): return bytes([0, len(data)]) + data
def cmd(index): return bytes([1, index])  # 0 q, 1 J1000, 2 J1001, 3 J1002, 4 J1100, 5 CR, 6 s, 7 u, 8-15 J1021-J1028,
                                          # 19-22 register writes
def short(steps): return bytes([2, steps])
def long(ms): return bytes([3]) + struct.pack('<H', ms)
TAKE, JUMP = bytes([4]), bytes([5])
def long_line(extra): return bytes([6, extra])

chipmodel = {
    'paced-stream': config() + cmd(4) + TAKE + cmd(1) + long(1000) + TAKE + JUMP + JUMP + JUMP
    + cmd(0) + TAKE + long(100) + TAKE,
    'unpaced-stream': config(flags=1) + cmd(1) + TAKE * 5 + cmd(4) + TAKE + cmd(0) + TAKE + TAKE,
    'trigger': config(digit=2) + cmd(2) + cmd(1) + long(3000) + TAKE + JUMP + JUMP + cmd(3)
    + long(500) + TAKE + cmd(0) + TAKE,
    'listings': config() + b''.join(cmd(i) for i in range(5, 16)) + long(10) + TAKE + cmd(5) + TAKE,
    'delay-and-drops': config(flags=2, permille=20, delay_ms=20) + cmd(1) + cmd(4) + short(100)
    + TAKE + long(50) + TAKE + JUMP + cmd(0) + JUMP,
    'long-lines': config() + long_line(3) + long_line(4) + long_line(5) + raw(b'J10\n00\r\x01\x7f\r')
    + TAKE + cmd(16) + cmd(17) + cmd(18) + TAKE,
    'raw-timing-reply': config(flags=4, raw_len=5) + b'\x0bJ11\r' + cmd(4) + TAKE + cmd(1)
    + short(255) + TAKE,
    'block-limit': config(flags=1, limit=3) + cmd(1) + TAKE * 6 + cmd(0) + TAKE,
    'gain-writes': config(flags=1) + cmd(1) + TAKE + cmd(19) + TAKE + cmd(20) + cmd(21) + cmd(22)
    + raw(b'W04 0a1f\r') + TAKE * 3 + cmd(5) + TAKE,
    'mute': config(flags=0x38) + cmd(1) + cmd(4) + long(1000) + TAKE + JUMP,
}

for target, seeds in (('dispatcher', dispatcher), ('chipmodel', chipmodel)):
    folder = os.path.join(HERE, 'corpus', target)
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, 'seed-' + name), 'wb') as f:
            f.write(data)
