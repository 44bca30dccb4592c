#pragma once

// Whether the render API draws video through OpenGL (true) or through its software output.
bool openGlForVideo();
