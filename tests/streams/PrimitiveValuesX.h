#pragma once
// One field of every primitive a stream knows, plus a vector, serialised in a fixed order.
// The stream tests and the stream fuzz target build their records on it.
#include "geometry/Vector3fX.h"
#include "streams/StreamX.h"

struct PrimitiveValuesX {
  double d = 0;
  float f = 0;
  long long i64 = 0;
  long l = 0;
  short s = 0;
  int i = 0;
  unsigned long long u64 = 0;
  unsigned long ul = 0;
  unsigned short us = 0;
  unsigned int ui = 0;
  char c = 0;
  unsigned char uc = 0;
  bool b = false;
  Vector3fX v;

  void SerializePrimitives(StreamX& stream) {
    stream << d << f << i64 << l << s << i << u64 << ul << us << ui << c << uc << b << v;
  }
};
