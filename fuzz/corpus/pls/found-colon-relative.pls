1=/sbs/a.mp3
FILE2 =:leif// sÿÿÿ=ion=2
