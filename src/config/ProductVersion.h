#pragma once

// The program's version, in one place for its version resource and for the install record
// (a plain header: the resource compiler reads it too).
#define PRODUCT_VERSION_NUMBERS 1, 0, 0, 0
#define PRODUCT_VERSION_TEXT "1.0.0.0"
