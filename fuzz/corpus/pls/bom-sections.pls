[Playlist]
File1=sub/é.mp3
[other]
File2=other.mp3