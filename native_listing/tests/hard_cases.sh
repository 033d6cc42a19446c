#!/usr/bin/env bash
# The hard cases of a host folder for the native scan's test: makes them in
# the current folder. Names Windows cannot spell, invalid UTF-8, characters a
# Windows path forbids, code page 1252 letters, names differing only in case,
# a folder of 20,000 files (long names: its listing alone outgrows the
# FIFO), 60 levels of folders, links of every kind, a folder without
# permissions, read-only entries, a FIFO and sizes beyond 32 bits.
#
#   hard_cases.sh names | big    (two steps, each quick on a loaded machine)
set -eu
if [ "$1" = big ]; then
  mkdir big && cd big
  seq -f 'file-%05g-with-a-name-long-enough-that-this-folder-alone-fills-the-fifo-more-than-once.dat' 1 20000 | xargs touch
  exit 0
fi
mkdir -p plain/sub/subsub && touch plain/a.txt plain/sub/b.txt plain/sub/subsub/c.txt
touch aux.txt 'colon:name.txt' 'star*name' 'q?mark' 'lt<gt>' 'pipe|x' 'back\slash' 'quote"x' CON 'trailing.' 'trailing '
for d in 'dir:colon' 'dir?q' 'dir*star' 'dir\back' 'dir"quote' 'dir<lt>' 'dir|pipe' aux 'NUL.d' 'dotted.' 'spaced '; do
  mkdir "$d" && touch "$d/inside.txt"
done
touch café.txt 'euro€.txt' œuvre.txt 'ÿ.txt' Ÿ.txt ÉLAN.txt élan.txt
mkdir -p naïve/Données && touch naïve/Données/été.txt 'naïve/ß.txt'
touch Ωmega.txt привет.txt 'emoji-😀.txt' ā-macron.txt ǅ.txt
mkdir ελληνικά Łódź ā-dir 'emoji-dir-😀' && touch ελληνικά/α.txt Łódź/x.txt ā-dir/y.txt 'emoji-dir-😀/z.txt'
touch $'bad\xffutf8.txt' $'trunc\xc3' $'overlong\xc0\xaf' $'surrogate\xed\xa0\x80' $'\x80\x81lead'
mkdir $'baddir\xfe\xff' $'ok\xc3\xa9\xff' && touch $'baddir\xfe\xff/inside.txt' $'ok\xc3\xa9\xff/inside.txt'
touch Case.txt case.txt CASE.TXT 'a_b' aB 'a[b' 'a^b' 'a`b' 'A~b' 'a{b'
mkdir 'd_x' dY 'd[z' && touch 'd_x/1' dY/2 'd[z/3'
for d in Mixed mixed MIXED; do mkdir "$d" && touch "$d/only-in-$d.txt"; done
path=deep
for level in $(seq -w 1 60); do path="$path/d$level"; done
mkdir -p "$path" && touch "$path/leaf.txt"
ln -s plain link-to-dir && ln -s aux.txt link-to-file && ln -s nowhere dangling && ln -s self-loop self-loop
ln -s loop-b loop-a && ln -s loop-a loop-b && ln -s . link-to-root && ln -s .. plain/up && ln -s "$PWD/big" absolute-link
ln -s aux.txt/below through-a-file
mkdir locked && touch locked/secret.txt && chmod 000 locked
touch readonly.txt && chmod 444 readonly.txt && mkdir rodir && touch rodir/in.txt && chmod 555 rodir
mkdir .hidden && touch .hidden/x .dotfile && mkfifo fifo
head -c 5000 /dev/zero >sized.bin && truncate -s 5G huge.bin && truncate -s 4294967295 almost4g.bin
mkdir changing && touch changing/stays.txt changing/goes.txt
