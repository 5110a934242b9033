#pragma once
// The error object of the outside components: a number and a message text that
// is empty when there is no error.
#include <QString>

struct ErrorInfo {
    int number = 0;
    QString description;

    bool isEmpty() const { return description.isEmpty(); }
    void clear()
    {
        number = 0;
        description.clear();
    }
};
