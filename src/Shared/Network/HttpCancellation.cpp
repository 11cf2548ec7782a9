#include "HttpCancellation.h"

void HttpCancellation::cancel()
{
    if (m_cancelled)
        return;
    m_cancelled = true;
    emit cancelled();
}
