#!/usr/bin/env bash
# Writes the seed corpus of the fuzz targets into fuzz/corpus/. The files are
# committed; run this again after changing a case here. Findings that the
# fuzzers turned up are kept beside the seeds as finding-* files and are not
# touched by this script.
#
# read_write inputs: the index file, "#data#" and LF, then the data file.
# settings inputs: the bytes of a settings file (and a stem to save).
set -euo pipefail
cd "$(dirname "$0")/corpus"
mkdir -p read_write settings
rm -f read_write/seed-* settings/seed-*

rw() { printf "$2" >"read_write/seed-$1"; }
st() { printf "$2" >"settings/seed-$1"; }

pair='alpha 1 3\r\nbeta 4 6\r\n'
values='1 0.51\r\n2 0.47\r\n3 0.55\r\n1 1.2\r\n2 1.3\r\n3 1.1\r\n'

rw two-variables "${pair}#data#\n${values}"
rw one-variable "alpha 1 3\r\n#data#\n1 0.51\r\n2 0.47\r\n3 0.55\r\n"
rw blank-led-index-line " alpha 1 3\r\nbeta 4 6\r\n#data#\n${values}"
rw tabs-between-index-fields "alpha\t1\t3\r\nbeta\t4\t6\r\n#data#\n${values}"
rw several-blanks-in-index "alpha   1 \t 3\r\nbeta  4  6\r\n#data#\n${values}"
rw tab-after-samples-field "alpha 1 3\tnote x\r\nbeta 4 6\r\n#data#\n${values}"
rw lf-only-index "alpha 1 3\nbeta 4 6\ngamma 7 9\n#data#\n${values}"
rw lf-only-data "${pair}#data#\n1 0.51\n2 0.47\n3 0.55\n1 1.2\n2 1.3\n3 1.1\n"
rw lf-only-both "alpha 1 3\nbeta 4 6\n#data#\n1 0.51\n2 0.47\n3 0.55\n1 1.2\n2 1.3\n3 1.1\n"
rw empty-last-index-line "${pair}\r\n#data#\n${values}"
rw empty-last-data-line "${pair}#data#\n${values}\r\n"
rw data-without-last-line-end "${pair}#data#\n1 0.51\r\n2 0.47\r\n3 0.55\r\n1 1.2\r\n2 1.3\r\n3 1.1"
rw index-without-last-line-end "alpha 1 3\r\nbeta 4 6#data#\n${values}"
rw index-first-line-only-unterminated "alpha 1 3#data#\n1 0.51\r\n"
rw index-ends-after-cr "alpha 1 3\r#data#\n1 0.51\r\n"
rw index-two-fields "alpha 1\r\n#data#\n1 0.51\r\n"
rw fractional-samples "alpha 1 2.5\r\nbeta 3 5\r\n#data#\n1 a\r\n2 b\r\n3 c\r\n4 d\r\n5 e\r\n"
rw fraction-rounding-up "alpha 1 2.6\r\nbeta 3 5\r\n#data#\n1 a\r\n2 b\r\n3 c\r\n4 d\r\n5 e\r\n6 f\r\n"
rw zero-samples "alpha 1 0\r\n#data#\n1 0.5\r\n"
rw samples-not-a-number "alpha 1 x\r\n#data#\n1 0.5\r\n"
rw samples-below-one "alpha 1 0.4\r\n#data#\n1 0.5\r\n"
rw samples-with-exponent "alpha 1 3e0\r\nbeta 4 6\r\n#data#\n${values}"
rw samples-huge "alpha 1 1e300\r\n#data#\n1 0.5\r\n"
rw samples-int32-limit "alpha 1 2147483647\r\n#data#\n1 0.5\r\n"
rw samples-past-int32 "alpha 1 2147483648\r\n#data#\n1 0.5\r\n"
rw samples-negative "alpha 1 -3\r\n#data#\n1 0.5\r\n"
rw expected-lines-overflow "alpha 1 2000000000\r\nbeta 1 2\r\n#data#\n1 0.5\r\n"
rw more-data-than-index "${pair}#data#\n${values}1 7\r\n2 8\r\n3 9\r\n4 10\r\n"
rw fewer-data-than-index "${pair}#data#\n1 0.51\r\n2 0.47\r\n3 0.55\r\n1 1.2\r\n"
rw whole-variable-missing "alpha 1 2\r\nbeta 3 4\r\ngamma 5 6\r\n#data#\n1 a\r\n2 b\r\n1 c\r\n"
rw data-line-shapes "alpha 1 6\r\n#data#\n1 0.5\r\n1\t0.5\r\n1   0.5\r\n1 0.5 \r\n1 0.5 x\r\n 1 0.5\r\n"
rw empty-data-line-inside "alpha 1 3\r\n#data#\n1 a\r\n\r\n3 c\r\n4 d\r\n"
rw blank-free-data-line "alpha 1 3\r\n#data#\n1 a\r\nnoblank\r\n3 c\r\n"
rw blank-free-last-data-line "alpha 1 3\r\n#data#\n1 a\r\nnoblank"
rw name-without-blank "alpha\r\nbeta 4 6\r\n#data#\n${values}"
rw lone-cr-in-data "alpha 1 2\r\n#data#\n1 a\rb\r\n2 c\r\r\n"
rw nul-and-high-bytes "\xe4lpha\x00 1 2\r\nb\xffta 3 4\r\n#data#\n1 \x00\x80\xfe\r\n2 \xc3\xa9\r\n1 \x01\x02\r\n2 \x7f\r\n"
rw lf-index-one-variable "mu 1 3\n#data#\n1 0.51\n2 0.47\n3 0.55\n"
rw lf-index-name-with-digits "a 1 3\n2b 4 6\ne2 7 9\n#data#\n${values}1 7\n2 8\n3 9\n"
rw lf-index-empty-samples-field "a 1 \n2b 4 6\n#data#\n${values}"
rw blank-lines-end-index "${pair}\r\n \t\r\n\n\r#data#\n${values}"
rw blank-lines-end-data "${pair}#data#\n${values}\n  \r\n\t\n\r"
rw last-value-one-byte-unterminated "${pair}#data#\n1 0.51\r\n2 0.47\r\n3 0.55\r\n1 1.2\r\n2 1.3\r\n3 5"
rw empty-values "${pair}#data#\n1 0.51\r\n2 \r\n3 \t\n1\t\t\r\n2 1.3\r\n3 "
rw empty-index "#data#\n${values}"
rw empty-data "${pair}#data#\n"
rw no-marker "${pair}"
five='1 0.1\r\n2 0.2\r\n1 1.1\r\n2 1.2\r\n3 1.3\r\n'
rw unequal-ranges "a 1 2\r\nb 3 5\r\nc 6 6\r\n#data#\n${five}1 2.1\r\n"
rw unequal-longer-first "a 1 3\r\nb 4 4\r\nc 5 6\r\n#data#\n${five}1 2.1\r\n"
rw unequal-tabs-and-blanks-lf "a\t1 \t 2\nb  3\t\t5 \n#data#\n1 0.1\n2 0.2\n1 1.1\n2 1.2\n3 1.3\n"
rw unequal-data-shorter "a 1 2\r\nb 3 5\r\n#data#\n1 0.1\r\n2 0.2\r\n1 1.1\r\n"
rw unequal-variable-without-lines "a 1 2\r\nb 3 5\r\nc 6 6\r\n#data#\n${five}"
rw unequal-surplus-lines "a 1 2\r\nb 3 5\r\n#data#\n${five}1 9.1\r\n2 9.2\r\n3 9.3\r\n4 9.4\r\n"
rw unequal-last-shorter "a 1 3\r\nb 4 5\r\n#data#\n${five}"
rw unequal-past-int32 "a 1 2\r\nb 3 2147483648\r\n#data#\n${five}"
rw ranges-gap "a 1 2\r\nb 4 6\r\n#data#\n${five}"
rw ranges-overlap "a 1 2\r\nb 2 4\r\n#data#\n${five}"
rw ranges-decimal-point "a 1 2\r\nb 3 5.0\r\n#data#\n${five}"
rw ranges-exponent "a 1 2\r\nb 3 5e0\r\n#data#\n${five}"
rw ranges-four-fields "a 1 2\r\nb 3 5 x\r\n#data#\n${five}"
rw ranges-not-from-line-one "a 2 3\r\nb 4 6\r\n#data#\n${five}"
rw ranges-line-led-by-blank "a 1 2\r\n b 3 5\r\n#data#\n${five}"
rw ranges-lone-cr-after-last "a 1 2\r\nb 3 5\r#data#\n${five}"
rw ranges-huge-number "a 1 2\r\nb 3 99999999999999999999\r\n#data#\n${five}"

# read_differential takes the inputs of read_write, and a few that only a
# data file of many lines, or of lines that run on far, shows.
mkdir -p read_differential
rm -f read_differential/seed-*
cp read_write/seed-* read_differential/
rd() { printf "$2" >"read_differential/seed-$1"; }
rd run-on-across-the-middle "a 1 3\r\nb 4 6\r\n#data#\n1 a\r\n2 b\r\n3noblank\r\n\r\nx\r\n1 c\r\n2 d\r\n3 e\r\n4 f\r\n"
rd lone-crs-and-empty-lines "a 1 4\n#data#\n1 a\r2 b\n\n3 c\n\r\n4 \r\r\n5\t\tz\r\n6 \r\n7 q\n\n \n"
rd many-surplus-lines "a 1 2\n#data#\n$(for i in $(seq 1 40); do printf '%d v%d\\n' $i $i; done)"
# Each line a column of its own (fewer than one sample per variable): one
# column more than a table may have.
rd too-many-columns "a 1 0.6\n#data#\n$(printf ' \\n%.0s' $(seq 1 32768))x y\n"
st two-lines '[Path for QLT]\r\nc:\\drom\\myfile\r\n'
st header-only '[Path for QLT]\r\n'
st empty ''
st blanks-around-stem '[Path for QLT]\r\n  c:\\drom\\myfile \t\r\n'
st more-lines '[Path for QLT]\r\n/data/run\r\nthird\r\nfourth\r\n'
st other-header 'something else\r\n/data/run\r\n'
st lf-only '[Path for QLT]\n/data/run\n'
st lone-cr '[Path for QLT]\r/data/run\r\n'
st unterminated '[Path for QLT]\r\n/data/run'
st cr-before-end '[Path for QLT]\r\n/data/run\r\r\n'
st high-and-nul-bytes '[Path for QLT]\r\n/d\xe4ta/\x00run\xff\r\n'
st stem-only '/data/run'
