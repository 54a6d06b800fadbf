#!/usr/bin/perl
# Dumps an .xls workbook as the independent reader Spreadsheet::ParseExcel sees it, one line per
# sheet ("S", name, last row, last column) and per cell ("C", sheet, row, column, type,
# value, format string, bold, record kind). Tabs, line breaks and backslashes are escaped.
use strict;
use warnings;
use Spreadsheet::ParseExcel;

binmode STDOUT, ':encoding(UTF-8)';
my $file = shift or die "usage: read_xls.pl FILE\n";
my $parser = Spreadsheet::ParseExcel->new();
my $book = $parser->parse($file);
die 'parse error: ' . $parser->error() . "\n" unless defined $book;

sub esc {
    my ($s) = @_;
    return '' unless defined $s;
    $s =~ s/\\/\\\\/g;
    $s =~ s/\t/\\t/g;
    $s =~ s/\n/\\n/g;
    $s =~ s/\r/\\r/g;
    return $s;
}

my $index = 0;
for my $sheet ($book->worksheets()) {
    my ($rmin, $rmax) = $sheet->row_range();
    my ($cmin, $cmax) = $sheet->col_range();
    print join("\t", 'S', esc($sheet->get_name()), $rmax, $cmax), "\n";
    for my $r ($rmin .. $rmax) {
        for my $c ($cmin .. $cmax) {
            my $cell = $sheet->get_cell($r, $c) or next;
            my $format = $cell->get_format();
            my $fmtStr = $format ? $book->{FormatStr}{$format->{FmtIdx}} : '';
            my $bold = ($format && $format->{Font} && $format->{Font}{Bold}) ? 1 : 0;
            # Numbers in full precision; texts decoded (unformatted() keeps UTF-16 raw).
            my $value = $cell->type() eq 'Text' ? $cell->value()
                                                 : sprintf('%.17g', $cell->unformatted());
            print join("\t", 'C', $index, $r, $c, $cell->type(), esc($value),
                       esc($fmtStr), $bold, $cell->{_Kind}), "\n";
        }
    }
    $index++;
}
