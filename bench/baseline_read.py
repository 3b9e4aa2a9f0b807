#!/usr/bin/python3
"""What a user might write without the component: pyserial, the status request, a 26-byte read.

    baseline_read.py DEVICE N   prints updates=N succeeded=K seconds=S per_second=R
"""
import sys
import time

import serial

REQUEST = b"Q02119"


def main():
    device, count = sys.argv[1], int(sys.argv[2])
    port = serial.Serial(device, 38400, timeout=0.22)
    port.reset_input_buffer()
    good = 0
    start = time.monotonic()
    for _ in range(count):
        port.write(REQUEST)
        reply = port.read(26)
        if len(reply) == 26 and sum(reply[:25]) % 256 == reply[25]:
            good += 1
        else:
            port.reset_input_buffer()
    seconds = time.monotonic() - start
    print(f"updates={count} succeeded={good} seconds={seconds:.4f} per_second={good / seconds:.2f}")


if __name__ == "__main__":
    main()
