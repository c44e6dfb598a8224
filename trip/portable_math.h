// Sine, cosine and arc tangent computed the same way on every platform.
//
// The law of cosines keeps only a few digits of a one-second step, so one
// unit in the last place of a sine moves a step by about 1e-5 of itself.
// The C libraries of Linux and of mingw-w64 differ in the last place for
// about one argument in a thousand, which left the DLL's meters 3e-8 apart
// from the same drive on Linux. These routines use only IEEE double
// additions, multiplications and divisions (no FMA, no extended precision),
// so both builds get the same bits. They follow FDLIBM 5.3 (Sun
// Microsystems, 1993: "Permission to use, copy, modify, and distribute this
// software is freely granted, provided that this notice is preserved.") and
// are accurate to within one unit in the last place.
#pragma once

namespace trezik {

// Beyond |x| = 2^19 * pi / 2 (about 823550 radians) the argument reduction
// here is not exact enough; there the C library's routine is used.
double PortableSin(double x);
double PortableCos(double x);
double PortableAtan(double x);

}  // namespace trezik
