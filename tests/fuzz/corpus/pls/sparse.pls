[playlist]
file7=seven.wav
TITLE7=Seven
File2147483647=last.wav
Length-3=12
File0=zero
NumberOfEntries=99
