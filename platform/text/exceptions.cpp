#include "exceptions.h"

#include "messages.h"

void ThrowListIndexError(long long index)
{
    throw EListError(FormatMessage(Messages::ListIndexError, index));
}
