#include "platform/Waitable.h"

CWaitable::~CWaitable()
{
    Close();
}

uint32_t WaitForObjects(std::initializer_list<CWaitable*> objects, uint32_t timeoutMs)
{
    return WaitForObjects(objects.begin(), static_cast<int>(objects.size()), timeoutMs);
}

uint32_t WaitForObject(CWaitable& object, uint32_t timeoutMs)
{
    CWaitable* one = &object;
    return WaitForObjects(&one, 1, timeoutMs);
}
