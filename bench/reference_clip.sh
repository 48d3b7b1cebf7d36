#!/usr/bin/env bash
# Sourced by the benchmark scripts: `reference_clip BUILD` prints the 20 s 1080p reference
# clip of that build tree's media folder ($ZVP_MEDIA_DIR when set), making it with the build's
# `bench_media` target when it is missing, or the 6 s test clip when it cannot be made.
reference_clip() {
    local build=$1
    local media=${ZVP_MEDIA_DIR:-$build/media}
    if [ ! -f "$media/hd1080_20s.mp4" ] && [ -z "${ZVP_MEDIA_DIR:-}" ]; then
        echo "generating the benchmark clips (target bench_media)" >&2
        cmake --build "$build" --target bench_media >&2 || true
    fi
    if [ -f "$media/hd1080_20s.mp4" ]; then
        echo "$media/hd1080_20s.mp4"
    else
        echo "$media/hd1080.mp4"
    fi
}
