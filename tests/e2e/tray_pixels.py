"""Where the notification area changed between two screenshots.

usage: tray_pixels.py BEFORE.png AFTER.png  -> "x y count" (centre of the changed pixels), or
"none 0" when the area is unchanged. The area is the right end of the Wine desktop's taskbar.

A changed pixel differs from BEFORE and also from the taskbar's own colour in AFTER (its most common
colour there): a BEFORE taken while the virtual desktop was not yet up is all black, and without the
second condition the whole taskbar would count as changed and its centre would be taken for the icon.
"""
import collections
import subprocess
import sys

LEFT, TOP, WIDTH, HEIGHT = 824, 748, 200, 20


def pixels(path):
    out = subprocess.run(["convert", path, "-crop", f"{WIDTH}x{HEIGHT}+{LEFT}+{TOP}", "+repage", "txt:-"],
                         capture_output=True, text=True, check=True).stdout
    return {line.split(":")[0]: line.split()[2] for line in out.splitlines()[1:]}


def main():
    before, after = pixels(sys.argv[1]), pixels(sys.argv[2])
    background = collections.Counter(after.values()).most_common(1)[0][0]
    changed = [tuple(map(int, key.split(","))) for key, colour in after.items()
               if colour != background and before.get(key) != colour]
    if not changed:
        print("none 0")
        return
    xs = [x for x, _ in changed]
    ys = [y for _, y in changed]
    print(f"{LEFT + (min(xs) + max(xs)) // 2} {TOP + (min(ys) + max(ys)) // 2} {len(changed)}")


if __name__ == "__main__":
    main()
