#pragma once
// Three-vector with an optional magnitude slot.

namespace orvanta {

class cVector {
public:
    cVector() = default;
    cVector(double x_, double y_, double z_, double w_ = 0.0) : x(x_), y(y_), z(z_), w(w_) {}
    virtual ~cVector() = default;
    cVector(const cVector&) = default;
    cVector& operator=(const cVector&) = default;

    // sqrt(x^2 + y^2 + z^2); w is neither read nor written.
    double Magnitude() const;
    // x, y, z times factor; w times |factor| so a magnitude stays non-negative.
    void Scale(double factor);

    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    double w = 0.0;  // magnitude when the producer fills it, else 0
};

}  // namespace orvanta
