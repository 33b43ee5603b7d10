#!/usr/bin/env python3
"""The least number of clusters any tool must move to make one file contiguous, computed from
mshowfat's chains alone (independently of the program): for every window of the file's size
each other file's cluster in it must move out and each of the file's clusters not at its place
must move in; the least over all windows.
Usage: mshowfat -i IMG ::/every ::/file ... | contig_lower_bound.py ::/TARGET TOTAL_CLUSTERS"""
import re
import sys

target_prefix, total = sys.argv[1], int(sys.argv[2])
owner = [None] * (total + 2)  # FAT cluster numbers, from 2
target_runs = []
for line in sys.stdin:
    name, _, chains = line.partition("<")
    runs = [tuple(int(x) for x in r.split("-")) if "-" in r else (int(r), int(r))
            for r in re.findall(r"<([0-9-]+)>", "<" + chains)]
    is_target = name.strip().lower() == target_prefix.lower()
    for first, last in runs:
        for c in range(first, last + 1):
            owner[c] = "T" if is_target else "O"
    if is_target:
        target_runs = runs
n = sum(last - first + 1 for first, last in target_runs)
# in place for a window starting at cluster s: the runs whose first cluster - first VCN is s
in_place = {}
vcn = 0
for first, last in target_runs:
    in_place[first - vcn] = in_place.get(first - vcn, 0) + last - first + 1
    vcn += last - first + 1
# A used cluster that no listed file holds counts as free here: the bound can only be lower
# than the true one, so it stays a bound.
best = None
others = sum(1 for c in range(2, 2 + n) if owner[c] == "O")
for s in range(2, total + 2 - n + 1):
    if s > 2:
        others -= owner[s - 1] == "O"
        others += owner[s + n - 1] == "O"
    cost = others + n - in_place.get(s, 0)
    best = cost if best is None or cost < best else best
print(best)
