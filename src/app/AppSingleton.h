#pragma once

#include <QJSEngine>
#include <QQmlEngine>

namespace orvane {

// QML reaches the objects the application makes itself as singletons: the engine asks the type
// for its instance and gets the one the application made, which outlives the windows. One
// application runs at a time, so the newest instance is the one asked for.
template<class T>
class AppSingleton
{
public:
    static T *create(QQmlEngine *, QJSEngine *)
    {
        if (s_instance)
            QJSEngine::setObjectOwnership(s_instance, QJSEngine::CppOwnership);
        return s_instance;
    }

protected:
    AppSingleton() { s_instance = static_cast<T *>(this); }
    ~AppSingleton()
    {
        if (s_instance == static_cast<T *>(this))
            s_instance = nullptr;
    }

private:
    static inline T *s_instance = nullptr;
};

} // namespace orvane
