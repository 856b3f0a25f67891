#pragma once

#include <QString>

#include <cstdint>

namespace dovex {

// Where a long operation reports its progress, and asks whether the person
// wants it to stop (the Abort button, or Escape pressed since it started).
class ProgressSink {
public:
    virtual ~ProgressSink() = default;

    virtual void setLabels(const QString& from, const QString& to) = 0;
    virtual void setPercent(int percent) = 0;
    virtual bool abortRequested() = 0;
};

} // namespace dovex
