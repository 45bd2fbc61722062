#include "bridge/windowtypes.h"

#include "bridge/batch.h"
#include "bridge/form.h"
#include "bridge/preview.h"

void registerWindowTypes()
{
    registerPreviewTypes();
    registerBatchType();
    registerFormType();
}
