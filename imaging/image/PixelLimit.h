// The most pixel bytes an opened image may hold: larger images are refused
// before any pixel memory is taken.
#pragma once

const unsigned long long kMaxPixelBytes = 1ULL << 30;
