"""Writes the benchmark's mixed content: thousands of small files in nested folders (text and
program-like binaries) and a few large ones (program-like, and incompressible media).

make_content.py FOLDER SCALE   -- SCALE 1.0 gives about a 200 MB archive."""
import os
import random
import sys

WORDS = ("update client network accelerate driver service install folder package "
         "version report shortcut window layout skin button progress banner value "
         "string colour font image resource registry uninstall autostart").split()


def text(rng, size):
    out = []
    length = 0
    while length < size:
        line = " ".join(rng.choice(WORDS) for _ in range(rng.randint(4, 14))) + "\n"
        out.append(line)
        length += len(line)
    return "".join(out).encode()[:size]


def program(rng, size):
    """Like machine code and tables: random spans mixed with repeated structure."""
    out = bytearray()
    while len(out) < size:
        kind = rng.random()
        span = rng.randint(64, 4096)
        if kind < 0.45:
            out += rng.randbytes(span)
        elif kind < 0.75:
            out += bytes(span)
        else:
            out += text(rng, span)
    return bytes(out[:size])


def main():
    folder, scale = sys.argv[1], float(sys.argv[2])
    rng = random.Random(20260101)
    small = int(7000 * scale)
    for i in range(small):
        sub = os.path.join(folder, "res", "d%02d" % (i % 40), "s%d" % (i % 7))
        os.makedirs(sub, exist_ok=True)
        size = int(rng.lognormvariate(8.6, 1.1))
        size = max(16, min(size, 400_000))
        maker = text if i % 3 == 0 else program
        with open(os.path.join(sub, "f%05d.%s" % (i, "txt" if i % 3 == 0 else "bin")), "wb") as f:
            f.write(maker(rng, size))
    big = os.path.join(folder, "bin")
    os.makedirs(big, exist_ok=True)
    for i in range(3):
        with open(os.path.join(big, "module%d.dll" % i), "wb") as f:
            f.write(program(rng, int(50_000_000 * scale)))
    with open(os.path.join(big, "media.pak"), "wb") as f:
        f.write(rng.randbytes(int(100_000_000 * scale)))


main()
