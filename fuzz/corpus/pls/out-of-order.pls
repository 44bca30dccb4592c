[playlist]
File3=c.mp3
Title1=One
file1=/abs/a.mp3
FILE2 = file:///abs/b%20b.mp3
File02=dup.mp3
File10=http://x/y
NumberOfEntries=4
Version=2
