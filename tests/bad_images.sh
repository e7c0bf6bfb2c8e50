# Makes the bad car images that the start-up must refuse, one folder each, under $1:
# $1/NAME/Data/Textures/Car.bmp. Sourced by the tests that run a program on them.
# Prints the names, one a line. Needs only bash, head and printf.

make_bad_images() {
    local root=$1 good=$2
    local d
    mk() { d="$root/$1/Data/Textures"; mkdir -p "$d"; echo "$1"; }
    le32() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))\\x$(printf %02x $((($1 >> 16) & 255)))\\x$(printf %02x $((($1 >> 24) & 255)))"; }
    le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))"; }
    # header WIDTH HEIGHT BITS COMPRESSION: a 54-byte file and info header
    header() {
        printf 'BM'; le32 $((54 + 1024)); le32 0; le32 54
        le32 40; le32 "$1"; le32 "$2"; le16 1; le16 "$3"; le32 "$4"
        le32 0; le32 2835; le32 2835; le32 0; le32 0
    }

    mk missing >/dev/null; rmdir "$root/missing/Data/Textures"; echo missing
    mk empty; : > "$d/Car.bmp"
    mk random-bytes; printf '\x13\x37\xde\xad\xbe\xef\x00\x42\x99\x01' > "$d/Car.bmp"
    mk half-bmp; head -c $(( $(stat -c %s "$good") / 2 )) "$good" > "$d/Car.bmp"
    mk png-renamed; { printf '\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR'; le32 0x64000000; le32 0x64000000; printf '\x08\x06\x00\x00\x00'; } > "$d/Car.bmp"
    mk size-65536; { header 65536 65536 24 0; head -c 1024 /dev/zero; } > "$d/Car.bmp"
    mk size-20000; { header 20000 20000 24 0; head -c 1024 /dev/zero; } > "$d/Car.bmp"
    mk rle8-oversized-run; { header 4 4 8 1; head -c 1024 /dev/zero; printf '\xff\x01\xff\x01\xff\x01\x00\x01'; } > "$d/Car.bmp"
    mk negative-height; { header 4 -4 24 0; head -c 1024 /dev/zero; } > "$d/Car.bmp"
    mk folder; mkdir -p "$d/Car.bmp"
}
