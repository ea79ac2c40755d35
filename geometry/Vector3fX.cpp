#include "geometry/Vector3fX.h"

#include "streams/StreamX.h"

static_assert(sizeof(Vector3fX) == 3 * sizeof(float), "a Vector3fX is three packed floats");

StreamX& operator<<(StreamX& stream, Vector3fX& v) { return stream.TransferFloats(&v.x, 3); }

StreamX& operator<<(StreamX& stream, const Vector3fX& v) { return stream.TransferFloats(&v.x, 3); }
