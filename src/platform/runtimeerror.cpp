#include "platform/runtimeerror.h"

RuntimeError::RuntimeError(QString description, int number)
    : m_number(number), m_description(std::move(description)), m_utf8(m_description.toUtf8())
{
}

QString RuntimeError::describe(const std::exception &e)
{
    if (const auto *own = dynamic_cast<const RuntimeError *>(&e))
        return own->description();
    return QString::fromUtf8(e.what());
}
