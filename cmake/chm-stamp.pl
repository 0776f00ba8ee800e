#!/usr/bin/perl
# chmcmd stamps the help file with the time it runs, and has no option to
# say otherwise: in the ITSF header (offset 0x10, big-endian) and in entry
# 10 of the #SYSTEM file (little-endian). Both get SOURCE_DATE_EPOCH, so
# the same pages always make the same help.chm.
#   chm-stamp.pl FILE EPOCH
use strict;
use warnings;

my ($file, $epoch) = @ARGV;
die "usage: chm-stamp.pl FILE EPOCH\n" unless defined $epoch && $epoch =~ /^\d+$/;
open(my $fh, '+<:raw', $file) or die "$file: $!\n";
my $chm = do { local $/; <$fh> };
die "$file: not a version 3 CHM file\n"
  unless length($chm) > 0x60 && substr($chm, 0, 4) eq 'ITSF' && unpack('V', substr($chm, 4, 4)) == 3;

# A directory entry: name length and name, then section, offset and length,
# each a number in 7-bit groups, most significant first.
my $entry = index($chm, "\x08/#SYSTEM");
die "$file: no #SYSTEM entry in the directory\n" if $entry < 0;
my $pos = $entry + 9;
my @fields;
for (1 .. 3) {
  my $n = 0;
  my $byte;
  do {
    $byte = ord(substr($chm, $pos++, 1));
    $n = ($n << 7) | ($byte & 0x7f);
  } while ($byte & 0x80);
  push @fields, $n;
}
my ($section, $offset, $length) = @fields;
die "$file: #SYSTEM is compressed\n" unless $section == 0;

# #SYSTEM: a version, then entries of code, length and data.
my $start = unpack('Q<', substr($chm, 0x58, 8)) + $offset;
my $end = $start + $length;
my $at = $start + 4;
my $stamped = 0;
while ($at + 4 <= $end) {
  my ($code, $size) = unpack('v v', substr($chm, $at, 4));
  if ($code == 10 && $size >= 4) {
    substr($chm, $at + 4, 4) = pack('V', $epoch);
    $stamped = 1;
  }
  $at += 4 + $size;
}
die "$file: no time stamp in #SYSTEM\n" unless $stamped;
substr($chm, 0x10, 4) = pack('N', $epoch);

seek($fh, 0, 0) or die "$file: $!\n";
print $fh $chm or die "$file: $!\n";
close($fh) or die "$file: $!\n";
