#!/usr/bin/env python3
"""Writes an NMEA log with the car standing at the first fix for COUNT fix
cycles before the drive: the log's first cycle repeated with earlier times
(2 s apart, as the drive's own fixes are) and fresh checksums. With FROM
(and TO), only the drive's cycles from FROM (to before TO, counted from 0)
are written: a drive that goes on after gpsd was gone, or a short one.

gpsfake feeds its gpsd from the moment it runs, and a client of gpsd sees
only the fixes fed while it is connected: a drive that starts moving at once
would lose its first metres to the moments before trezik-live connects. A
standing start costs no distance, to trezik-live or trezik-drive.

usage: pad_nmea.py LOG COUNT OUT [FROM [TO]]
"""
import sys


def checksum(body):
    value = 0
    for c in body:
        value ^= ord(c)
    return "%02X" % value


def with_time(line, seconds):
    body = line.strip()[1:].split("*")[0]
    fields = body.split(",")
    stamp = "%02d%02d%02d" % (seconds // 3600 % 24, seconds // 60 % 60, seconds % 60)
    if fields[0].endswith("RMC") or fields[0].endswith("GGA"):
        fields[1] = stamp
    elif fields[0].endswith("GLL"):
        fields[5] = stamp
    body = ",".join(fields)
    return "$%s*%s\n" % (body, checksum(body))


def cycles_of(lines):
    """The log's fix cycles: each ends with its GLL sentence."""
    cycles, cycle = [], []
    for line in lines:
        cycle.append(line)
        if line[3:6] == "GLL":
            cycles.append(cycle)
            cycle = []
    if cycle:
        cycles.append(cycle)
    return cycles


def main():
    log, count, out = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    first = int(sys.argv[4]) if len(sys.argv) > 4 else 0
    end = int(sys.argv[5]) if len(sys.argv) > 5 else None
    lines = open(log, encoding="ascii", errors="replace").read().splitlines(keepends=True)
    drive = cycles_of(lines)[first:end]
    rmc = next(l for l in drive[0] if l[3:6] == "RMC").split(",")[1]
    start = int(rmc[0:2]) * 3600 + int(rmc[2:4]) * 60 + int(rmc[4:6])
    with open(out, "w", encoding="ascii") as padded:
        for k in range(count, 0, -1):
            for line in drive[0]:
                padded.write(with_time(line, start - 2 * k))
        for cycle in drive:
            padded.writelines(cycle)


if __name__ == "__main__":
    main()
