# Sourced by the test scripts.
# fresh_folder PATH: an empty folder at PATH, whatever was there before;
# prints its absolute path.
fresh_folder() { rm -rf "$1" && mkdir -p "$1" && (cd "$1" && pwd); }
