#include "platform/time_zone.h"

namespace orvanta::platform {

namespace {

class FixedZone : public ITimeZone {
public:
    FixedZone(int offset, std::string abbreviation, bool known)
        : offset_(offset), abbreviation_(std::move(abbreviation)), known_(known) {}
    ZoneInfo At(std::int64_t) const override {
        ZoneInfo z;
        z.known = known_;
        z.utcOffsetMinutes = known_ ? offset_ : 0;
        z.abbreviation = known_ ? abbreviation_ : std::string();
        return z;
    }

private:
    int offset_;
    std::string abbreviation_;
    bool known_;
};

}  // namespace

std::shared_ptr<const ITimeZone> FixedTimeZone(int utcOffsetMinutes, std::string abbreviation,
                                               bool known) {
    return std::make_shared<FixedZone>(utcOffsetMinutes, std::move(abbreviation), known);
}

}  // namespace orvanta::platform
