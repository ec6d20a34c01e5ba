#!/usr/bin/env python3
"""Points references to a few C and C++ library symbols at their older
versions, so that the programs and the libraries built on this machine load
on the older systems the release is made for (make-release.sh; python3 comes
to the build machine with clang-format).

  older-symbol-versions.py FILE...

glibc and libstdc++ gave some functions a new version without changing what
they compute for us and kept the old one beside it; only those are in
`OLDER` below. Where every symbol that a file asks of one version has such
an older version, that version need is renamed in place (same string table,
same sizes), so the loader binds the symbols to the old versions, which
every library since then also has. Anything else is left alone: the
release's check then names the file.
"""
import struct
import sys

# (library, symbol, version) -> the older version of the same function.
# hypot's 2.35 versions only dropped the SVID error handling (matherr), which
# nothing here uses; condition_variable::wait's 3.4.30 version (GCC 12) only
# lost a wrong noexcept, which matters to a thread cancelled while waiting,
# and nothing here cancels threads.
OLDER = {
    ("libm.so.6", "hypot", "GLIBC_2.35"): "GLIBC_2.2.5",
    ("libm.so.6", "hypotf", "GLIBC_2.35"): "GLIBC_2.2.5",
    ("libstdc++.so.6", "_ZNSt18condition_variable4waitERSt11unique_lockISt5mutexE", "GLIBCXX_3.4.30"):
        "GLIBCXX_3.4.11",
}

SHT_DYNSYM, SHT_VERNEED, SHT_VERSYM = 11, 0x6FFFFFFE, 0x6FFFFFFF


def elf_hash(name):
    h = 0
    for c in name:
        h = ((h << 4) + c) & 0xFFFFFFFF
        g = h & 0xF0000000
        if g:
            h ^= g >> 24
        h &= ~g & 0xFFFFFFFF
    return h


def c_string(data, offset):
    return bytes(data[offset:data.index(b"\0", offset)])


def needs(data, offset, with_library=False):
    """Every version need (Vernaux entry) of the Verneed list at offset."""
    while True:
        _, count, library, aux, next_need = struct.unpack_from("<HHIII", data, offset)
        entry = offset + aux
        for _ in range(count):
            yield (entry, library) if with_library else entry
            next_aux, = struct.unpack_from("<I", data, entry + 12)
            if not next_aux:
                break
            entry += next_aux
        if not next_need:
            return
        offset += next_need


def patch(path):
    with open(path, "rb") as f:
        data = bytearray(f.read())
    if data[:4] != b"\x7fELF" or data[4] != 2 or data[5] != 1:
        raise ValueError("not a 64-bit little-endian ELF file")
    shoff, = struct.unpack_from("<Q", data, 0x28)
    shentsize, shnum = struct.unpack_from("<HH", data, 0x3A)
    sections = [struct.unpack_from("<IIQQQQIIQQ", data, shoff + i * shentsize) for i in range(shnum)]
    by_type = {s[1]: s for s in sections}
    if SHT_VERNEED not in by_type or SHT_DYNSYM not in by_type:
        return []
    dynsym, versym, verneed = by_type[SHT_DYNSYM], by_type.get(SHT_VERSYM), by_type[SHT_VERNEED]
    strtab, strtab_end = sections[dynsym[6]][4], sections[dynsym[6]][4] + sections[dynsym[6]][5]

    def name_at(offset):
        return c_string(data, strtab + offset)

    # Which symbols ask for which version index, and where their names lie.
    symbols_of, symbol_names = {}, []
    for i in range(dynsym[5] // 24):
        st_name, = struct.unpack_from("<I", data, dynsym[4] + i * 24)
        index, = struct.unpack_from("<H", data, versym[4] + i * 2)
        name = name_at(st_name)
        symbols_of.setdefault(index & 0x7FFF, []).append(name.decode())
        symbol_names.append((st_name, st_name + len(name)))
    version_names = []
    for entry in needs(data, verneed[4]):
        version_names.append(struct.unpack_from("<I", data, entry + 8)[0])

    def only_this_version_uses(offset):
        return (version_names.count(offset) == 1 and
                not any(start <= offset <= end for start, end in symbol_names))

    renamed = []
    for entry, library_offset in needs(data, verneed[4], with_library=True):
        _, _, index, name_offset, _ = struct.unpack_from("<IHHII", data, entry)
        library, version = name_at(library_offset).decode(), name_at(name_offset).decode()
        olders = {OLDER.get((library, symbol, version)) for symbol in symbols_of.get(index, [])}
        if len(olders) != 1 or None in olders:
            continue
        older = olders.pop().encode()
        # The string table is not grown: the older name is either there already,
        # or, as long as the newer one, written over it where nothing else uses it.
        found = data.find(b"\0" + older + b"\0", strtab, strtab_end)
        if found >= 0:
            struct.pack_into("<I", data, entry + 8, found + 1 - strtab)
        elif len(older) == len(version) and only_this_version_uses(name_offset):
            data[strtab + name_offset:strtab + name_offset + len(older)] = older
        else:
            continue
        struct.pack_into("<I", data, entry, elf_hash(older))
        renamed.append(f"{library} {version} -> {older.decode()} ({', '.join(symbols_of[index])})")
    if renamed:
        with open(path, "r+b") as f:
            f.write(data)
    return renamed


def main():
    if len(sys.argv) < 2:
        print("usage: older-symbol-versions.py FILE...", file=sys.stderr)
        sys.exit(2)
    for path in sys.argv[1:]:
        try:
            for line in patch(path):
                print(f"{path.rsplit('/', 1)[-1]}: {line}")
        except (OSError, ValueError, struct.error) as e:
            print(f"older-symbol-versions: {path}: {e}", file=sys.stderr)
            sys.exit(1)


if __name__ == "__main__":
    main()
