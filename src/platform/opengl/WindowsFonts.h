#pragma once

// The Windows Japanese faces that the program's texts ask for, each resolved to the IPA face
// of the same design: "ＭＳ ゴシック" to IPAGothic; "ＭＳ Ｐゴシック", "MS UI Gothic" and
// "MS Shell Dlg" to the proportional IPAPGothic. Installed once for the whole process.

void InstallWindowsFontSubstitutes();
