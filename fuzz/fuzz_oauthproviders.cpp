// OAuth2.ini: the providers, their hosts and where their tokens go.
#include "FuzzSupport.h"
#include "oauth/OAuthProviders.h"

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    OAuthProviders providers;
    providers.read(fuzz::bytesOf(data, size));
    FUZZ_CHECK(providers.all().size() <= OAuthProviders::MaxGroups);
    for (const OAuthProvider& provider : providers.all()) {
        FUZZ_CHECK(!provider.name.isEmpty() && !provider.hosts.isEmpty());
        FUZZ_CHECK(provider.hosts.size() <= OAuthProviders::MaxHosts);
        // A token goes only to a web address.
        FUZZ_CHECK(provider.tokenUrl.isEmpty() ||
                   provider.tokenUrl.startsWith(QLatin1String("http"), Qt::CaseInsensitive));
        FUZZ_CHECK(providers.forHost(provider.hosts.first()) != nullptr);
    }
    return 0;
}
