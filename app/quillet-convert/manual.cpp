#include "app/quillet-convert/manual.h"

namespace quillet::convert {

const char* const kManual = R"(NAME
       quillet-convert - convert a sampler's chain files into spreadsheet tables

SYNOPSIS
       quillet-convert [-q | -v] [-o FILE] STEM
       quillet-convert [-q | -v] --index INDEX [-o FILE] DATA...
       quillet-convert [-q | -v] [--index INDEX] --xlsx [FILE.xlsx]
                       STEM | DATA...

DESCRIPTION
       Reads the chain pair STEM.ind (the index file: one line per variable,
       its name first) and STEM.out (the data file: one line per sample, an
       iteration number, blanks and the value, the variables one after
       another), and writes them as one tab-separated table: a header line
       "Iteration" followed by the variables' names, then one line per
       sample numbered from 1, a tab after every cell and CR LF after every
       line. A spreadsheet program opens it through its text import, with
       the tab as the only separator, no string delimiter and the English
       number locale; the third form writes a workbook (see --xlsx) that it
       opens directly.

       When the index's line ranges (each variable's first and last data
       line) tile the data file from line 1 and give the variables different
       numbers of samples, each variable takes its own lines and the shorter
       columns end in empty cells; otherwise every variable takes as many
       lines as the third field of the first index line says.

       The table goes to "dromout.txt" in the directory of STEM (STEM up to
       its last "/" or "\"), or in the current directory when STEM has none.
       It is the same file, byte for byte, that the window program writes for
       the same stem.

       With --index, the index file INDEX is read with each data file DATA
       in turn, whatever their names, and each DATA gets a table of its own
       beside it: its file name without the last extension, plus
       ".table.txt" ("chains/run2.out" gives "chains/run2.table.txt",
       "chain1" gives "chain1.table.txt"). Each table is the one the first
       form writes for the same two files. A table that would overwrite
       INDEX, a DATA or the table of another DATA (symbolic and hard links
       followed) is refused before anything is read or written. A DATA that
       fails is reported under its name, and the others are still converted.
       -o is allowed with a single DATA only.

       An existing file is replaced only once the new table is complete: the
       table goes to a new file beside it, which then takes its name, and
       after an error the old file is left as it was. A file that a new one
       cannot fully stand in for is written in place instead, as a plain
       write would do: a file with other hard links, a file whose owner or
       group cannot be given to a new file, or a file in a directory where no
       new file can be made. It keeps its content until the first bytes of
       the table go out; an error after that leaves part of the table in it.
       A symbolic link is followed and kept. A device or a named pipe is
       written directly.

       STEM is used exactly as given: no extension is removed, so "run1.out"
       is looked for as "run1.out.out" and "run1.out.ind". Unlike the window
       program, quillet-convert neither reads nor writes the settings file
       "qltini.ini".

       Messages go to standard error, prefixed "quillet-convert: ", and with
       --index also with the data file's name ("quillet-convert: run2.out: ").
       When standard error is a terminal, a progress line is shown while
       reading and writing.

OPTIONS
       --index INDEX
              Read INDEX as the index file of every DATA.

       -o FILE, --output FILE
              Write the table to FILE instead of the stem's "dromout.txt"
              (or the table beside the single DATA).

       -o -   Write the table to standard output.

       --xlsx [FILE.xlsx], --xlsx=FILE
              Write a workbook instead of text (also chosen by an -o FILE
              ending in ".xlsx"): numbers as numbers, other cells as text,
              one worksheet per DATA with --index; "dromout.xlsx" beside
              STEM without a FILE. A table of more than 1,048,576 rows or
              16,384 columns is refused (exit 1) before anything is written.
              A workbook is complete or not written: a missing, unreadable
              or damaged chain is refused before the first byte (exit 1); a
              chain that fails later fails the whole workbook (exit 2). A
              workbook of several DATA is not written in place (exit 64).
              Two sheets come first: Summary (what --summary prints, an rhat
              above 1.01 and an ESS below 400 highlighted) and Traces (a
              line chart of each of the first 100 variables, one line per
              chain, at most 2,000 points a line).

       --tables-only
              Write a workbook without the Summary and Traces sheets.

       --summary
              Write, instead of the tables, the run's summary: one line per
              variable over all its chains (the one chain of STEM, or every
              DATA, matched by column), with the columns variable, chains,
              draws, mean, sd, mcse_mean, q2.5, q25, q50, q75, q97.5,
              hdi95_lower, hdi95_upper, rhat, ess_bulk, ess_tail and note,
              to -o FILE (also with several DATA) or standard output. In a
              file or a pipe the columns are tab-separated and every number
              has the shortest form that reads back to the same value; on a
              terminal they are aligned and rounded for reading. rhat is the
              rank-normalised split R-hat and ess_bulk and ess_tail the
              effective sample sizes of the R package posterior: an rhat
              above 1.01 or an ESS below 400 says the chains have not mixed
              well enough for the summary to be trusted.

       -q, --quiet
              Show no progress line.

       -v, --verbose
              Also report "Done Reading" and "Done writing file".
              Of -q and -v, the last one given counts.

       -h, --help
              Show this help and exit.

       --version
              Show the version and exit.

       --     End of options: a STEM or DATA that begins with "-" follows.

EXIT STATUS
       With several DATA, the highest status met among them.

       0      The table was written (with --index: every table).

       1      The chain files were refused with one of the converter's own
              messages: "Check path name." (STEM.out or STEM.ind not found),
              "File STEM.ind is damaged.", or "Data has not been read." (the
              index file gives less than one sample per variable).
              No output was opened: nothing was written for them.

       2      An unexpected error stopped the conversion, for example a data
              file that ends inside a line, more than 32,767 variables, an
              output file that cannot be written, or too little memory. The
              error is named on standard error. An output file is left as
              it was, except one written in place (see DESCRIPTION), which
              may hold part of the table. Standard output (-o -), a device
              or a named pipe may have received part of the table.

       64     The command line is wrong: an unknown option, no STEM or more
              than one, no DATA, -o with several DATA, or a table that would
              overwrite INDEX, a DATA or another table (or a workbook of
              several DATA that could only be written in place). Nothing was
              read or written.

EXAMPLES
       Convert runs/chain1.ind and runs/chain1.out into runs/dromout.txt:
              quillet-convert runs/chain1

       Convert every chain pair of a folder, each into a table of its own:
              for s in runs/*.ind; do
                  quillet-convert -o "${s%.ind}.txt" "${s%.ind}"
              done

       Convert the four chains of one run, which share one index file, into
       runs/chain1.table.txt to runs/chain4.table.txt:
              quillet-convert --index runs/run.ind runs/chain[1-4].out

       Check that the four chains have converged (rhat, ess_bulk, ess_tail):
              quillet-convert --summary --index runs/run.ind runs/chain[1-4].out

       Look at the first three columns without writing a file:
              quillet-convert -q -o - runs/chain1 | cut -f 1-3 | head
)";

}  // namespace quillet::convert
