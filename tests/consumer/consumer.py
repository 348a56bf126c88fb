"""Loads an archive into a material through the installed Python module and
prints the material's preset names, one per line, as main.cpp does.
Exit code 0 on success, 1 when the archive does not load."""

import sys

import oxsubstance


def main():
    if len(sys.argv) != 2:
        print("usage: consumer.py ARCHIVE", file=sys.stderr)
        return 2
    material = oxsubstance.Material("consumer")
    try:
        material.load_archive(sys.argv[1])
    except oxsubstance.Error as error:
        print(error, file=sys.stderr)
        return 1
    for name in material.preset_names():
        print(name)
    return 0


if __name__ == "__main__":
    sys.exit(main())
