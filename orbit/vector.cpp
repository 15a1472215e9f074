#include "orbit/vector.h"

#include <cmath>

namespace orvanta {

double cVector::Magnitude() const {
    return std::sqrt(x * x + y * y + z * z);
}

void cVector::Scale(double factor) {
    x *= factor;
    y *= factor;
    z *= factor;
    w *= std::fabs(factor);
}

}  // namespace orvanta
