#!/usr/bin/env bash
# Builds the release archive, vantrel-VERSION-linux-x86_64.tar.xz (`make
# release`): one folder with the demo, the capture tool, the shader compiler,
# their data/ and vantrel_data/, a README.txt for viewers, and in lib/ every
# shared library they need that a plain desktop lacks. The programs carry the
# RUNPATH $ORIGIN/lib and each bundled library $ORIGIN, so the folder plays
# wherever it is unpacked. It builds in its own tree (build-release).
#
# The programs carry their own C++ library (VANTREL_RELEASE_ARCHIVE in
# cmake/Release.cmake says how). libgcc_s comes from the system, as the GL
# driver's does. The bundled C++ codec libraries take the system's
# libstdc++: bundling one would shadow a newer copy the GL driver needs. A
# few symbols that Debian 12's glibc and GCC gave new versions to are pointed
# at their older ones (lib/older-symbol-versions.py), so that the archive
# loads on glibc 2.34 and the C++ library of GCC 11; the build fails if any
# file needs more.
#
# What comes from the system: what must match the machine, and what the
# machine's own graphics and sound stack loads. A process holds one copy of
# each library name, so a bundled copy of a library the GL driver also uses
# would be the one it gets, though it may need a newer one.
#   - the C library and its loader (libc, libm, libdl, libpthread, librt, ...);
#   - the C++ and GCC run-time (libstdc++, libgcc_s);
#   - the GL/EGL/GLX stack: libglvnd, the vendor's driver, libgbm, libdrm;
#   - the X11 and Wayland client libraries (libX*, libxcb*, libxkbcommon,
#     libwayland-*);
#   - the sound libraries: ALSA, and PulseAudio's and PipeWire's clients;
#   - the base libraries every installation and that stack are built on: zlib,
#     xz, zstd, lz4, bzip2, expat, libffi, libbsd, libmd, libselinux, pcre2,
#     libmount, libblkid, libuuid, libcap, libsystemd, libudev, D-Bus
#     (not libgcrypt: Debian 13's systemd no longer links it);
#   - the desktop toolkits' base (GTK and Qt desktops alike): GLib, cairo,
#     pixman, pango, HarfBuzz, FriBidi, fontconfig, FreeType, gdk-pixbuf and
#     libxml2 (ICU comes with it).
# Everything else the programs need, directly or through a bundled library,
# is bundled (SDL2, libdecor, FFmpeg and the codecs it links, librsvg,
# mpg123, FFTW, GLU, libepoxy, libpng, libjpeg, ...). A system library's own needs are not
# followed: the system brings them with it.
#
#   scripts/make-release.sh            # RELEASE_BUILD (build-release), JOBS
set -euo pipefail
cd "$(dirname "$0")/.."

build=${RELEASE_BUILD:-build-release}
jobs=${JOBS:-$(nproc)}
run=$build/run
programs=(vantrel vantrel-capture vantrel-shaderc)
# The oldest C and C++ libraries of the machines the archive is made for
# (Fedora 35: glibc 2.34, GCC 11; Ubuntu 22.04 and Mint 21 have 2.35).
glibc_target=2.34
glibcxx_target=3.4.29
system_libs='^(ld-linux-x86-64|linux-vdso|libc|libm|libmvec|libdl|libpthread|librt|libresolv|libutil|libanl'
system_libs+='|libstdc\+\+|libgcc_s|libGL|libEGL|libGLX|libOpenGL|libGLdispatch|libGLESv[12]_CM|libGLESv2|libglapi'
system_libs+='|libgbm|libdrm(_[a-z0-9]+)?|libX[A-Za-z0-9-]*|libxcb(-[a-z0-9-]+)?|libxkbcommon(-x11)?|libxshmfence'
system_libs+='|libwayland-[a-z]+|libasound|libpulse(-simple|-mainloop-glib|common-[0-9.]+)?|libpipewire-[0-9.]+|libjack'
system_libs+='|libz|liblzma|libzstd|liblz4|libbz2|libexpat|libffi|libbsd|libmd|libselinux|libpcre2-[0-9]+|libmount'
system_libs+='|libblkid|libuuid|libcap|libsystemd|libudev|libdbus-1'
system_libs+='|lib(glib|gobject|gio|gmodule|gthread)-2\.0|libcairo(-gobject)?|libpixman-1|libpango(cairo|ft2)?-1\.0'
system_libs+='|libharfbuzz|libfribidi|libthai|libdatrie|libgraphite2|libfontconfig|libfreetype|libgdk_pixbuf-2\.0'
system_libs+='|libxml2)\.so'

fail() {
  echo "make-release: $*" >&2
  exit 1
}

build_programs() {
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DVANTREL_RELEASE_ARCHIVE=ON > /dev/null
  cmake --build "$build" -j "$jobs"
}

declare -A path_of bundled

# Where the loader finds each library the programs need, through every level.
find_library_paths() {
  local soname arrow path rest
  while read -r soname arrow path rest; do
    [ "$arrow" = "=>" ] || continue
    [ "$path" != "not" ] || fail "the build's programs need $soname, which is not installed"
    path_of[$soname]=$path
  done < <(for p in "${programs[@]}"; do ldd "$run/$p"; done)
}

# Copies into lib/ what $1 needs that the system does not provide, then what those need.
bundle_needs_of() {
  local soname
  for soname in $(objdump -p "$1" | awk '$1 == "NEEDED" { print $2 }'); do
    [[ $soname =~ $system_libs ]] && continue
    [ -z "${bundled[$soname]:-}" ] || continue
    [ -n "${path_of[$soname]:-}" ] || fail "$1 needs $soname, which ldd did not resolve"
    bundled[$soname]=1
    cp -L "${path_of[$soname]}" "$folder/lib/$soname"
    chmod 644 "$folder/lib/$soname"
    bundle_needs_of "${path_of[$soname]}"
  done
}

stage_folder() {
  rm -rf "$stage"
  mkdir -p "$folder/lib"
  for p in "${programs[@]}"; do
    install -m 755 "$run/$p" "$folder/$p"
    strip --strip-unneeded "$folder/$p"
  done
  cp -r "$run/data" "$run/vantrel_data" "$folder/"
  find_library_paths
  for p in "${programs[@]}"; do
    bundle_needs_of "$run/$p"
    # shellcheck disable=SC2016 # $ORIGIN is for the loader
    patchelf --set-rpath '$ORIGIN/lib' "$folder/$p"
  done
  for library in "$folder"/lib/*; do
    # shellcheck disable=SC2016
    patchelf --set-rpath '$ORIGIN' "$library"
  done
}

elf_files() {
  printf '%s\n' "${programs[@]/#/$folder/}" "$folder"/lib/*
}

# The newest version of $1's symbols (GLIBC, GLIBCXX, ...) that the archive's files ask for.
newest_symbol_version() {
  elf_files | xargs objdump -T | grep -o "$1_[0-9][0-9.]*" | sort -uV | tail -n 1
}

# Fails, naming each file and symbol, if the archive asks for a newer $1 version than $2.
check_floor() {
  local prefix=$1 target=$2 newest file
  newest=$(newest_symbol_version "$prefix")
  printf '%s\n' "${newest#"${prefix}"_}" "$target" | sort -CV && return 0
  echo "make-release: the archive needs $newest, newer than the ${prefix}_$target of its target systems:" >&2
  while read -r file; do
    objdump -T "$file" | awk -v v="$newest" -v f="${file##*/}" 'index($0, v " ") || index($0, v ")") { print "  " f ": " $NF }' >&2
  done < <(elf_files)
  exit 1
}

write_readme() {
  local description
  description=$("$run/vantrel" --version) || fail "$run/vantrel --version failed"
  sed -e "s|@VERSION@|$version|g" -e "s|@GIT_DESCRIPTION@|${description#vantrel }|g" \
    -e "s|@GLIBC_FLOOR@|${glibc_floor#GLIBC_}|g" -e "s|@GLIBCXX_FLOOR@|$glibcxx_floor|g" \
    packaging/README.txt.in > "$folder/README.txt"
}

# Same tree, same bytes: sorted names, no owners, the time of the build's
# commit. The x86 filter makes the machine code about 3% smaller.
write_archive() {
  local stamp
  stamp=$(git log -1 --format=%cI 2> /dev/null || date -u +%FT%TZ)
  tar -C "$stage" --sort=name --owner=0 --group=0 --numeric-owner --mtime="$stamp" -cf - "${folder##*/}" |
    xz --x86 --lzma2=preset=9e -T "$jobs" > "$archive.partial"
  mv "$archive.partial" "$archive"
}

build_programs
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || fail "no project version in $build/CMakeCache.txt"
stage=$build/release
folder=$stage/vantrel-$version
archive=$build/vantrel-$version-linux-x86_64.tar.xz

stage_folder
elf_files | xargs python3 scripts/lib/older-symbol-versions.py
check_floor GLIBC "$glibc_target"
check_floor GLIBCXX "$glibcxx_target"
glibc_floor=$(newest_symbol_version GLIBC)
glibcxx_floor=$(newest_symbol_version GLIBCXX)
write_readme
write_archive
echo "$archive: $(du -k "$archive" | cut -f1) KiB, ${#bundled[@]} bundled libraries ($(du -sk "$folder/lib" | cut -f1) KiB" \
  "unpacked), needs $glibc_floor and $glibcxx_floor from the system"
