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
        // Asked for once the application exists, so the instance is whole by now.
        T *instance = static_cast<T *>(s_instance);
        if (instance)
            QJSEngine::setObjectOwnership(instance, QJSEngine::CppOwnership);
        return instance;
    }

protected:
    // Only the base is kept here: the rest of the object does not exist yet.
    AppSingleton() { s_instance = this; }
    ~AppSingleton()
    {
        if (s_instance == this)
            s_instance = nullptr;
    }

private:
    static inline AppSingleton *s_instance = nullptr;
};

} // namespace orvane
