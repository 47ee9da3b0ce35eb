#pragma once
// Decoding an uploaded configuration image into the fields of setup1 and setup3. Each field is
// set from its own bytes, independently of the others; a field that cannot take what the image
// holds (a list position that names no item) keeps what it showed.
#include <span>

#include "config/fields.h"
#include "config/image.h"

namespace config {

// How a field's bytes become its text or selection.
enum class Decode {
  ListPosition,    // the list's selected position := the byte
  ByteStr,         // the byte's digits with one blank in front
  BytePlain,       // the byte's digits
  WordStr,         // first byte times 256 plus second byte, blank in front
  SpeedCode,       // knots back to km/h: the byte times 1.852, rounded half to even
  VoltageLookup,   // the list's position := the voltage code lookup of the byte
  Coordinate,      // degrees "." two digits two digits; "0.0000" when the degrees are 255
  TerminatedText,  // characters up to the first "#" or the end of the range
  FilledText,      // characters up to the first byte 255 or the end of the range
  FixedText,       // every character of the range
  Pin,             // the four characters, or empty when the first byte is 0 or 255
};

struct DecodeRule {
  Field field;
  Decode format;
  int first;  // inclusive range of image indices read
  int last;
};

std::span<const DecodeRule> decodeTable();

// The text a rule gives for the image (not used for the two list formats).
std::string decodedText(const Image& image, const DecodeRule& rule);

void decodeImage(const Image& image, Fields& fields);

}  // namespace config
