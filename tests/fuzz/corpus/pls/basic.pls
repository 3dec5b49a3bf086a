[playlist]
File1=/media/a.mp4
Title1=Opening
Length1=95
File2=b.mp3
NumberOfEntries=2
Version=2
