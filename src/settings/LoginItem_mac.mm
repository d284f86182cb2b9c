// macOS: the application's own login item through SMAppService (macOS 13 and later).
#include "settings/LoginItem.h"

#import <Foundation/Foundation.h>
#import <ServiceManagement/ServiceManagement.h>

namespace orvane {

namespace {

class MainAppLoginItem : public LoginItem
{
public:
    bool isRegistered() const override
    {
        return [SMAppService mainAppService].status == SMAppServiceStatusEnabled;
    }

    std::expected<void, QString> registerItem() override
    {
        NSError *error = nil;
        if (![[SMAppService mainAppService] registerAndReturnError:&error])
            return std::unexpected(QString::fromNSString(error.localizedDescription));
        return {};
    }

    std::expected<void, QString> unregisterItem() override
    {
        NSError *error = nil;
        if (![[SMAppService mainAppService] unregisterAndReturnError:&error])
            return std::unexpected(QString::fromNSString(error.localizedDescription));
        return {};
    }
};

} // namespace

std::unique_ptr<LoginItem> LoginItem::platformDefault(const QString &)
{
    return std::make_unique<MainAppLoginItem>();
}

} // namespace orvane
