#!/usr/bin/env perl
# What the user documents quote of the program, against the program: every
# name they put in quotes must be one of its own texts (or one of Windows'
# own, listed below), and every span of seconds or minutes they give must
# be one of its timings. Run by check-docs.sh; prints one line a finding.
#
#   check-quotes.pl            checks README.md's user sections,
#                              packaging/readme.txt.in, the installer's
#                              pages and help/*.htm
use strict;
use warnings;
use utf8;
use open qw(:std :encoding(UTF-8));

my $failures = 0;
sub fail { print "check-docs: FAIL: $_[0]\n"; $failures++; }

sub slurp {
    my ($file, $encoding) = @_;
    open(my $f, "<:encoding($encoding)", $file) or die "check-docs: cannot read $file: $!\n";
    local $/;
    return <$f>;
}

# ------------------------------------------------------------ the program

# Every string literal of the sources, its escapes undone, split where a
# caption breaks its line; access-key marks (&S) as the window shows them.
my %texts;
for my $file (glob('src/*/*.cpp src/*/*.h src/platform/win32/*.cpp')) {
    my $src = slurp($file, 'UTF-8');
    while ($src =~ /"((?:[^"\\\n]|\\.)*)"/g) {
        my $t = $1;
        $t =~ s/\\r|\\n/\n/g;
        $t =~ s/\\(.)/$1/g;
        $t =~ s/&(?=\S)//g;
        $texts{$_} = 1 for grep { length } split /\n/, $t;
    }
}
# The installer's own texts.
for (split /\n/, slurp('packaging/NSIS.template.in', 'UTF-8')) {
    next unless /^LangString \w+ \S+ "(.*)"$/;
    (my $t = $1) =~ s/\$\\r\$\\n/\n/g;
    $texts{$_} = 1 for grep { length } split /\n/, $t;
}

# Names of Windows and of the installer's frame, which the documents quote
# to guide the user; none is the program's.
my @windows = qw(
    属性 目标 常规 解除锁定 确定 取消 是 否 重试 运行 打开 开始 程序 启动 完成
    更多信息 仍要运行 不运行 未知发布者 安全警告 控制面板 程序和功能
    添加/删除程序 以管理员身份运行 Windows已保护你的电脑 来自Internet 未响应
    使用UnicodeUTF-8提供全球语言支持
);
my %windows = map { $_ => 1 } @windows;
# A viewer's own question, given as an example.
$windows{'确实要退出吗？'} = 1;

sub known {
    my ($q) = @_;
    (my $bare = $q) =~ s/\s+//g;
    return 1 if $windows{$q} || $windows{$bare};
    for my $t (keys %texts) {
        return 1 if index($t, $q) >= 0;
        # A label followed by what the program puts after it.
        return 1 if $t =~ /[：:]$/ && index($q, $t) == 0;
    }
    return 0;
}

# The timings, from the constants that make them (seconds).
sub figure {
    my ($file, $re, $what) = @_;
    my $src = slurp($file, 'UTF-8');
    return $1 if $src =~ $re;
    fail("$what: not found in $file (its code changed? update scripts/check-quotes.pl)");
    return undef;
}
my %seconds;
my @timings = (
    [figure('src/main/startup.cpp', qr/launchCountdown = (\d+);/, 'the launch countdown'),
     sub { $_[0] + 1 }],
    [figure('src/watch/launch.cpp', qr/kWaitBudget = (\d+);/, 'the launch check'),
     sub { $_[0] + 1 }],
    [figure('src/ui/form1.cpp', qr/"Timer1", (\d+), true/, 'the countdown step'),
     sub { $_[0] / 1000 }],
    [figure('src/ui/form1.cpp', qr/countLeft = (\d+);/, 'the countdown'),
     sub { ($_[0] + 1) * 2 }],
    [figure('src/schedule/validation.cpp', qr/n\.second < (\d+);/, 'the preset margin'),
     sub { $_[0] }],
    [figure('src/schedule/trigger.cpp', qr/kAskAgainTicks = (\d+);/, 'the close request again'),
     sub { $_[0] }],
    [figure('src/schedule/trigger.cpp', qr/kGiveUpTicks = (\d+);/, 'the close request given up'),
     sub { $_[0] }],
    [figure('src/ui/form1.cpp', qr/kSystemWaitMs = (\d+);/, 'the wait for the system'),
     sub { $_[0] / 1000 }],
);
for (@timings) {
    my ($raw, $make) = @$_;
    $seconds{$make->($raw)} = 1 if defined $raw;
}

# ------------------------------------------------------------ the documents

# The parts a user reads, as text.
my %docs;
{
    my $readme = slurp('README.md', 'UTF-8');
    $docs{'README.md'} = join("\n", $readme =~ /^(## (?:Windows 用户|For Windows users)\n.*?)(?=^## )/gms);
    fail('README.md: its user sections were not found') unless $docs{'README.md'};
}
$docs{'packaging/readme.txt.in'} = slurp('packaging/readme.txt.in', 'UTF-8');
# The installer's pages are read too.
$docs{'packaging/NSIS.template.in'} =
    join("\n", slurp('packaging/NSIS.template.in', 'UTF-8') =~ /^LangString \w+ \S+ "(.*)"$/gm);
for my $file (glob('help/*.htm')) {
    my $html = slurp($file, 'ascii');
    $html =~ s/&#(\d+);/chr($1)/ge;
    $html =~ s/<\/?u>//g;  # an access key's underline
    $docs{$file} = $html;
}

for my $doc (sort keys %docs) {
    my $text = $docs{$doc};
    my @quoted = $text =~ /“([^”]+)”/g;
    push @quoted, $text =~ /<span class="(?:ui|msg)">(.*?)<\/span>/gs;
    # English quotes around the program's Chinese texts.
    push @quoted, grep { /\p{Han}/ } $text =~ /(?<![\w“])"([^"\n]+)"/g if $doc eq 'README.md';
    for my $q (@quoted) {
        $q =~ s/<[^>]+>//g;
        $q =~ s/\s+/ /g;
        $q =~ s/^ | $//g;
        # A path, a file or a command is not a name.
        next if $q =~ /[\\:%]|\.exe|\.txt|^[A-Za-z0-9+ ._\/-]+$/ && $q !~ /\p{Han}/;
        fail("$doc quotes “$q”, which is no text of the program's nor a name of Windows'")
            unless known($q);
    }
    my $plain = $text;
    $plain =~ s/<[^>]+>//g;
    # Times of day (21时5分7秒) and differences in an example are not timings.
    $plain =~ s/\d+时\d+分\d+秒//g;
    $plain =~ s/只差 \d+ 秒//g;
    while ($plain =~ /(\d+)\s*(秒|分钟|s\b|seconds?\b|minutes?\b)/g) {
        my ($n, $unit) = ($1, $2);
        my $s = $unit =~ /^(分钟|minute)/ ? $n * 60 : $n;
        fail("$doc gives $n $unit, which is none of the program's timings ("
             . join(', ', sort { $a <=> $b } keys %seconds) . " s)")
            unless $seconds{$s};
    }
}
exit($failures ? 1 : 0);
