// A stand-in for the bitmap converter run as a real process (the in-process one is
// support/fake_converter.hpp).
#pragma once

#include <string>

#include "text_files.hpp"

namespace felmo::testing {

// A converter script: unpack writes every listed frame ("frame of <source>"), pack writes the
// target with each frame's depth option and content; both fail (exit 2) when an input is missing.
// Every run appends "<working directory> <argument count> <argument>" to launches.log there.
inline std::string writeScriptConverter(const std::string& folder) {
    const std::string path = folder + "bmconv";
    writeText(path, R"(#!/bin/sh
echo "$(pwd -P) $# $1" >> launches.log
tr -d '\r' < "$1" | {
  IFS= read -r first
  case "$first" in
    " -u "*)
      source="${first# -u }"
      [ -f "$source" ] || { echo "no source $source" >&2; exit 2; }
      while IFS= read -r frame; do printf 'frame of %s\n' "$source" > "$frame" || exit 3; done ;;
    *)
      : > "$first.part"
      while IFS= read -r line; do
        frame="/${line#*/}"
        [ -f "$frame" ] || { echo "no frame $frame" >&2; exit 2; }
        echo "${line%%/*}" >> "$first.part"
        cat "$frame" >> "$first.part"
      done
      mv "$first.part" "$first" ;;
  esac
}
)");
    setMode(path, 0755);
    return path;
}

}  // namespace felmo::testing
