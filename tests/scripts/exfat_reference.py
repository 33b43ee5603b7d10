#!/usr/bin/env python3
"""An exFAT reading of its own, from the published exFAT layout, to judge the program by.

Usage: exfat_reference.py [--judge] IMAGE
Prints one JSON object: "problems" (anything a sound volume must not have, including the three
fsck.exfat 1.2.0 lets pass: a set VolumeDirty flag, boot regions that differ, clusters in use
that no file holds, the last also counted in "lost"; and what a move cut while it wrote a set
anew leaves, each problem ending "left by an interrupted move"), "files" by path with size, SHA-1 of the
contents and cluster ranges, and each set's "straddles" (its file entry and stream extension
in two sectors).
With --judge, prints instead what the crash tests compare: each problem but what an interrupted
move may leave (lost clusters and the leftovers above) as "PROBLEM ...", then every file's path
and SHA-1, one per line.
"""
import hashlib
import json
import struct
import sys


def rotate_sum(data, bits, skip=()):
    top, mask, total = 1 << (bits - 1), (1 << bits) - 1, 0
    for i, b in enumerate(data):
        if i in skip:
            continue
        total = ((top if total & 1 else 0) + (total >> 1) + b) & mask
    return total


class Volume:
    def __init__(self, path):
        self.f = open(path, "rb")
        self.problems = []
        boot = self.read(0, 512)
        assert boot[3:11] == b"EXFAT   ", "not exFAT"
        self.sector = 1 << boot[108]
        self.cluster = self.sector << boot[109]
        self.fat_offset = struct.unpack_from("<I", boot, 80)[0] * self.sector
        self.heap = struct.unpack_from("<I", boot, 88)[0] * self.sector
        self.count = struct.unpack_from("<I", boot, 92)[0]
        self.root = struct.unpack_from("<I", boot, 96)[0]
        if struct.unpack_from("<H", boot, 106)[0] & 2:
            self.problems.append("VolumeDirty is set")
        regions = [self.read(i * 12 * self.sector, 12 * self.sector) for i in (0, 1)]
        for name, region in zip(("main", "backup"), regions):
            total = rotate_sum(region[:11 * self.sector], 32, {106, 107, 112})
            if region[11 * self.sector:] != struct.pack("<I", total) * (self.sector // 4):
                self.problems.append(name + " boot checksum is wrong")
        if any(a != b for i, (a, b) in enumerate(zip(*regions)) if i not in (106, 107, 112)):
            self.problems.append("the main and backup boot regions differ")
        raw = self.read(self.fat_offset, 4 * (self.count + 2))
        self.fat = struct.unpack("<%dI" % (self.count + 2), raw)
        self.owner = {}
        self.files = {}

    def read(self, offset, length):
        self.f.seek(offset)
        return self.f.read(length)

    def at(self, cluster):
        return self.heap + (cluster - 2) * self.cluster

    def chain(self, first, length, contiguous, what):
        n = -(-length // self.cluster)
        if n == 0:
            return []
        if contiguous:
            return list(range(first, first + n))
        out, c = [], first
        while len(out) < n:
            if not 2 <= c <= self.count + 1:
                self.problems.append("%s: chain leaves the heap" % what)
                return out
            out.append(c)
            c = self.fat[c]
        if c != 0xFFFFFFFF:
            self.problems.append("%s: chain longer than its size" % what)
        return out

    def take(self, clusters, what):
        for c in clusters:
            if c in self.owner:
                self.problems.append("%s: cluster %d also belongs to %s" % (what, c, self.owner[c]))
            self.owner[c] = what

    def data(self, clusters, length):
        return b"".join(self.read(self.at(c), self.cluster) for c in clusters)[:length]

    def walk(self):
        root, c = [], self.root
        while c != 0xFFFFFFFF and 2 <= c <= self.count + 1 and len(root) <= self.count:
            root.append(c)
            c = self.fat[c]
        self.take(root, "/")
        self.directory("", root, len(root) * self.cluster, True)
        used = [c for c in range(2, self.count + 2) if self.bitmap[(c - 2) // 8] >> ((c - 2) % 8) & 1]
        for c, what in self.owner.items():
            if not self.bitmap[(c - 2) // 8] >> ((c - 2) % 8) & 1:
                self.problems.append("%s: cluster %d is free in the bitmap" % (what, c))
        self.lost = sum(1 for c in used if c not in self.owner)

    def directory(self, path, clusters, length, is_root):
        raw = self.data(clusters, length)
        offsets = [self.at(clusters[i // self.cluster]) + i % self.cluster for i in range(0, len(raw), 32)]
        if is_root:
            self.bitmap = b""
            for i in range(0, len(raw), 32):
                e = raw[i:i + 32]
                if e[0] in (0x81, 0x82):
                    first, size = struct.unpack_from("<IQ", e, 20)
                    cl = self.chain(first, size, False, "bitmap" if e[0] == 0x81 else "up-case")
                    self.take(cl, "bitmap" if e[0] == 0x81 else "up-case")
                    if e[0] == 0x81:
                        self.bitmap = self.data(cl, size)
        sets = []
        i = 0
        while i + 32 <= len(raw):
            t = raw[i]
            if t == 0:
                break
            if t == 0x05:
                # A deleted file entry whose secondaries are still in use: an interrupted move
                # deleted the old copy of a set it wrote anew.
                k, left = 1, 0
                while k <= raw[i + 1] and i + 32 * k < len(raw) and raw[i + 32 * k] & 0x40 and raw[i + 32 * k] != 0:
                    left += raw[i + 32 * k] >> 7
                    k += 1
                if left:
                    self.problems.append("%s: %d entries left by an interrupted move" % (path or "/", left))
                i += 32 * k
                continue
            if t != 0x85:
                if t & 0xC0 == 0xC0:
                    self.problems.append("%s: secondary entry 0x%02X outside a set" % (path or "/", t))
                i += 32
                continue
            n = raw[i + 1] + 1
            s = raw[i:i + 32 * n]
            if rotate_sum(s, 16, {2, 3}) != struct.unpack_from("<H", s, 2)[0]:
                self.problems.append("%s: a set's checksum is wrong" % (path or "/"))
            flags, name_len = s[33], s[35]
            valid, first, size = struct.unpack_from("<Q", s, 40)[0], *struct.unpack_from("<IQ", s, 52)
            name = b"".join(s[32 * k + 2:32 * k + 32] for k in range(2, n))[:2 * name_len].decode("utf-16-le")
            full = path + "/" + name
            cl = self.chain(first, size, flags & 2, full)
            self.take(cl, full)
            is_dir = struct.unpack_from("<H", s, 4)[0] & 0x10
            straddles = offsets[i // 32] // self.sector != offsets[i // 32 + 1] // self.sector
            record = None
            if is_dir:
                self.directory(full, cl, size, False)
            else:
                content = self.data(cl, valid) + b"\0" * (size - valid)
                ranges = []
                for c in cl:
                    if ranges and ranges[-1][1] + 1 == c:
                        ranges[-1][1] = c
                    else:
                        ranges.append([c, c])
                record = {"size": size, "sha1": hashlib.sha1(content).hexdigest(), "ranges": ranges,
                          "no_fat_chain": bool(flags & 2), "straddles": straddles}
            # The set but for its checksum, NoFatChain and first cluster: what a set written
            # anew by a move shares with the old one.
            alike = bytearray(s)
            alike[2:4], alike[33], alike[52:56] = b"\0\0", alike[33] & ~2, b"\0\0\0\0"
            sets.append({"name": name.upper(), "full": full, "record": record, "clusters": cl, "alike": bytes(alike)})
            i += 32 * n
        for name in dict.fromkeys(x["name"] for x in sets):
            same = [x for x in sets if x["name"] == name]
            if len(same) == 2 and all(x["record"] for x in same):
                old, new = sorted(same, key=lambda x: not x["record"]["straddles"])
                if (old["record"]["straddles"] and not new["record"]["straddles"] and old["alike"] == new["alike"]
                        and old["record"]["sha1"] == new["record"]["sha1"]):
                    # A move was cut after writing the set anew and before deleting the old one.
                    self.problems.append("%s: an old copy left by an interrupted move" % new["full"])
                    for c in old["clusters"]:
                        self.owner.pop(c, None)
                    same = [new]
            if len(same) > 1:
                self.problems.append("%s is listed twice" % same[0]["full"])
            for x in same:
                if x["record"]:
                    self.files[x["full"]] = x["record"]


ALLOWED_AFTER_A_CUT = ("clusters in use that no file holds", "left by an interrupted move")


def main():
    judge = sys.argv[1] == "--judge"
    v = Volume(sys.argv[-1])
    v.walk()
    if v.lost:
        v.problems.append("%d clusters in use that no file holds" % v.lost)
    if judge:
        for p in v.problems:
            if not p.endswith(ALLOWED_AFTER_A_CUT):
                print("PROBLEM", p)
        for p, f in sorted(v.files.items()):
            print(p, f["sha1"])
        return
    print(json.dumps({"problems": v.problems, "lost": v.lost, "files": v.files}, indent=1, sort_keys=True))


if __name__ == "__main__":
    main()
