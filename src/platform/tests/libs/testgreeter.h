#pragma once
// The interface the objects of the test libraries implement, seen by the
// libraries and by the tests alike.
#include <QString>
#include <QtPlugin>

class ITestGreeter
{
public:
    virtual ~ITestGreeter() = default;
    // The class name the object was made for.
    virtual QString greet() const = 0;
    // The file of the library that made the object (as the dynamic loader knows it).
    virtual QString modulePath() const = 0;
};

#define ZENLO_TEST_GREETER_IID "{A9482729-99B7-4859-854D-7DEA75EF8BBB}"
Q_DECLARE_INTERFACE(ITestGreeter, ZENLO_TEST_GREETER_IID)
