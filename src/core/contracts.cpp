#include "core/contracts.h"

void ParameterSet::Add(int, int, int, const QString &name, const QVariant &value, int type, int)
{
    m_entries.append({name, value, type});
}

const ParameterSet::Entry *ParameterSet::find(const QString &name) const
{
    for (const Entry &e : m_entries) {
        if (e.name.compare(name, Qt::CaseInsensitive) == 0)
            return &e;
    }
    return nullptr;
}

QVariant ParameterSet::value(const QString &name, const QVariant &defaultValue) const
{
    const Entry *e = find(name);
    return e ? e->value : defaultValue;
}

void PluginParameters::Add(const QString &name, const QString &, const QVariant &value)
{
    m_values.append({name, value});
}

QVariant PluginParameters::Item(const QString &name) const
{
    for (const auto &v : m_values) {
        if (v.first.compare(name, Qt::CaseInsensitive) == 0)
            return v.second;
    }
    return QVariant();
}
