# Sourced by the Wine tools: reading a machine image's machine.ini.

# The value of KEY in section [system] of a machine.ini, or "".
ini_value() {
  local file=$1 key=$2
  awk -F= -v key="$key" '
    { sub(/\r$/, "") }
    /^[ \t]*\[/ { section = tolower($0); gsub(/[ \t\[\]]/, "", section); next }
    section == "system" {
      name = tolower($1); gsub(/[ \t]/, "", name)
      if (name == key) { value = substr($0, index($0, "=") + 1); gsub(/^[ \t]+|[ \t]+$/, "", value); print value; exit }
    }' "$file"
}
