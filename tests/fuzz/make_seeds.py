#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets into corpus/<target>/. Run it again after changing
the input layout of a target; the files are committed."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def floats(*values):
    return [w for v in values for w in struct.unpack('>HH', struct.pack('>f', v))]


INPUT_DEFAULTS = {  # type: quantity, unit, six float rows
    0: (0, 0, [0.0] * 6),
    1: (10, 26, [0.0, 0.0, 2.0, 1.0, 0.0, 0.0]),
    2: (0, 1, [0.01, 0.0, 0.5, 0.25, 100.0, 50.0]),
    3: (6, 7, [0.0, 10.0, 1.0, 0.5, 9.0, 8.0]),
    4: (3, 11, [0.0, 1000.0, 100.0, 50.0, 900.0, 800.0]),
}


def block(input1=2, input2=4, solenoid=0, online=1):
    w = [0] * 85
    w[0:4] = [0xC1AB, 0x4523, 0xF76E, 0xAB89]
    w[4:11] = [1, 3, 1, 0, 0, solenoid, 3]
    w[11], w[12] = input1, input2
    for slot, kind in ((0, input1), (1, input2)):
        q, u, rows = INPUT_DEFAULTS[kind]
        w[15 + slot], w[19 + slot] = q, u
        for row, value in enumerate(rows):
            r = 23 + 8 * row + 2 * slot
            w[r:r + 2] = floats(value)
    w[71:85] = [1, 3, 1, 4, 1, 0, 4, 2, 2, 6, 0, 1, online, 0x5A5A]
    return w


def words(ws):
    return b''.join(struct.pack('>H', x & 0xFFFF) for x in ws)


def crc16(data):
    crc = 0xFFFF
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def write(target, name, data):
    d = os.path.join(HERE, 'corpus', target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), 'wb') as f:
        f.write(data)


# fuzz_config: 85 words
write('fuzz_config', 'counting_current', words(block(2, 4)))
write('fuzz_config', 'analog_both', words(block(4, 3)))
write('fuzz_config', 'discrete_off', words(block(1, 0, solenoid=1)))
write('fuzz_config', 'counting_both', words(block(2, 2, solenoid=2, online=9)))
write('fuzz_config', 'zero', words([0] * 85))
odd = block(2, 3)
odd[11], odd[72], odd[77], odd[83] = 7, 1, 2, 12      # codes the form has no item for
odd[39:41] = floats(float('nan'))
odd[23:25] = floats(float('inf'))
write('fuzz_config', 'unknown_codes', words(odd))
write('fuzz_config', 'all_ones', words([0xFFFF] * 85))

# fuzz_dispatch: start, count, words
def dispatch(start, count, ws):
    return struct.pack('>Hh', start, count) + words(ws)

write('fuzz_dispatch', 'block', dispatch(0, 85, block()))
write('fuzz_dispatch', 'short_block', dispatch(0, 84, block()))
write('fuzz_dispatch', 'probe_awake', dispatch(36858, 1, [0xFACE]))
write('fuzz_dispatch', 'word153', dispatch(153, 1, [0x1234]))
write('fuzz_dispatch', 'solenoid', dispatch(32768, 1, [1]))
write('fuzz_dispatch', 'discrete2', dispatch(32770, 1, [2]))
write('fuzz_dispatch', 'counter', dispatch(32773, 2, [0xFFFF, 0xFFFF]))
write('fuzz_dispatch', 'analog', dispatch(32833, 2, floats(-100.0)))
write('fuzz_dispatch', 'analog_nan', dispatch(32811, 2, [0x7FC0, 0x0001]))
write('fuzz_dispatch', 'capacitor', dispatch(36851, 1, [25]))
write('fuzz_dispatch', 'temperature', dispatch(36859, 2, [0xFFFF, 0xFFFB]))
write('fuzz_dispatch', 'clock', dispatch(36861, 2, [0x8000, 0x0000]))
write('fuzz_dispatch', 'clock_short', dispatch(36861, 1, [0x8000]))
write('fuzz_dispatch', 'negative_count', dispatch(0, -1, []))

# fuzz_rtu_pty: flags, start, count - 1, frame (address 1)
def rtu(flags, start, count, frame):
    return bytes([flags]) + struct.pack('>HB', start, count - 1) + frame

def read_reply(ws):
    return bytes([1, 3, 2 * len(ws)]) + words(ws)

write('fuzz_rtu_pty', 'probe', rtu(1, 36858, 1, read_reply([0xFACE])))
write('fuzz_rtu_pty', 'block', rtu(1, 0, 85, read_reply(block())))
write('fuzz_rtu_pty', 'block_split', rtu(3, 0, 85, read_reply(block(4, 3))))
write('fuzz_rtu_pty', 'short_block', rtu(1, 0, 85, read_reply(block()[:84])))
write('fuzz_rtu_pty', 'clock', rtu(1, 36861, 2, read_reply([0x6500, 0x0000])))
write('fuzz_rtu_pty', 'clock_short', rtu(1, 36861, 2, read_reply([0x6500])))
write('fuzz_rtu_pty', 'exception2', rtu(1, 36861, 2, bytes([1, 0x83, 2])))
write('fuzz_rtu_pty', 'exception4', rtu(1, 0, 85, bytes([1, 0x83, 4])))
write('fuzz_rtu_pty', 'other_address', rtu(1, 36858, 1, bytes([2, 3, 2, 0xFA, 0xCE])))
write('fuzz_rtu_pty', 'bad_crc', rtu(0, 36858, 1, bytes([1, 3, 2, 0xFA, 0xCE, 0, 0])))
write('fuzz_rtu_pty', 'truncated', rtu(0, 36859, 2, bytes([1, 3, 4, 0xFF])))
write('fuzz_rtu_pty', 'long_count', rtu(1, 32811, 2, bytes([1, 3, 0xFF]) + bytes(8)))
