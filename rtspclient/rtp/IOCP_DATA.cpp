#include "rtp/IOCP_DATA.h"

#include "ZMR_Guard.h"

void IocpCompletion(int32_t result, uint32_t bytes, void* context)
{
    IOCP_DATA* data = static_cast<IOCP_DATA*>(context);
    {
        ZMR_Guard guard(data->mutex);
        if (!data->closed && data->callback)
            data->callback(result, bytes, data->user);
    }
    IOCP_DATA::Release(data);
}
