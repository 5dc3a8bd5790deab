#pragma once

// Number texts as the JSON reader and writer need them.

#include <string>

namespace papyr::json {

// The shortest text that reads back as the same double, in plain decimal
// without exponent and without a fraction for whole values ("2.5", "100",
// "-0", "0.0000001"): how type-error descriptions name a floating-point value.
std::string format_plain_decimal(double value);

// The JSON text of a 32-bit float: the shortest digits that read back as the
// same float, laid out as "12.0", "0.001", "1e-7" or "1.25e20"; NaN and the
// infinities, which JSON cannot express, as null.
std::string format_json_float(float value);

// A double rounded to the nearest float, saturating to an infinity where the
// double lies beyond the float range.
float narrow_to_float(double value);

}  // namespace papyr::json
