#pragma once
// Common base of the media components (logger, probe, converter, player): they
// are passed as the Sender of every event they raise.

namespace v2m {

class TFFBaseComponent {
public:
    virtual ~TFFBaseComponent() = default;

    // Components can be handled by a form designer that must not load anything;
    // at run time they never are.
    virtual bool Designing() const { return false; }

protected:
    TFFBaseComponent() = default;
    TFFBaseComponent(const TFFBaseComponent&) = delete;
    TFFBaseComponent& operator=(const TFFBaseComponent&) = delete;
};

}  // namespace v2m
