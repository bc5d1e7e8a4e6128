"""Where the notification area changed between two screenshots.

usage: tray_pixels.py BEFORE.png AFTER.png  -> "x y count" (centre of the changed pixels), or
"none 0" when the area is unchanged. The area is the right end of the Wine desktop's taskbar.
"""
import subprocess
import sys

LEFT, TOP, WIDTH, HEIGHT = 824, 748, 200, 20


def pixels(path):
    out = subprocess.run(["convert", path, "-crop", f"{WIDTH}x{HEIGHT}+{LEFT}+{TOP}", "+repage", "txt:-"],
                         capture_output=True, text=True, check=True).stdout
    return {line.split(":")[0]: line.split()[2] for line in out.splitlines()[1:]}


def main():
    before, after = pixels(sys.argv[1]), pixels(sys.argv[2])
    changed = [tuple(map(int, key.split(","))) for key in before if before[key] != after.get(key)]
    if not changed:
        print("none 0")
        return
    xs = [x for x, _ in changed]
    ys = [y for _, y in changed]
    print(f"{LEFT + (min(xs) + max(xs)) // 2} {TOP + (min(ys) + max(ys)) // 2} {len(changed)}")


if __name__ == "__main__":
    main()
