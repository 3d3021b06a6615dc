#pragma once

#include "exceptions.h"

// The chart engine's exception types, beside those of the runtime (exceptions.h).

// A refused setting of an axis or of the chart.
class AxisException : public Exception
{
public:
    using Exception::Exception;
};

class ChartException : public Exception
{
public:
    using Exception::Exception;
};

// A picture file that cannot be created or written.
class EFCreateError : public Exception
{
public:
    using Exception::Exception;
};
