[playlist]
File99999999999999999999999=big.mp3
File0=zero.mp3
File=none
Filex1=no
File5=
