"""What the end-to-end players read in the game's log."""
import re
import sys
import time


def bytes_per_line(log, who):
    """The bytes per lane row of the battle that started last, once its song is analysed."""
    deadline = time.monotonic() + 120
    while time.monotonic() < deadline:
        with open(log) as f:
            battle = f.read().rpartition("Scene Battle starting\n")[2]
        found = re.search(r"^Bytes per lines : (\d+)$", battle, re.M)
        if found:
            return int(found.group(1))
        time.sleep(0.003)
    sys.exit(f"{who}: no 'Bytes per lines' line")
