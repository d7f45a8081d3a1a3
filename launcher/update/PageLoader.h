// Loads one web document in the background with the platform's internet settings (proxy,
// cache, security), standing in for an invisible embedded browser.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace kx {

class PageLoader {
public:
    // Documents larger than this are refused: a broken or hostile service cannot exhaust memory.
    static constexpr std::size_t MaxBodyBytes = 1024 * 1024;
    // Where a load that did not end in a document "is", as a browser shows its error page.
    static constexpr const char* ErrorPageAddress = "about:blank";

    PageLoader();
    ~PageLoader();  // abandons a load still running; never blocks on the network
    PageLoader(const PageLoader&) = delete;
    PageLoader& operator=(const PageLoader&) = delete;

    // Starts loading the address; false when the load cannot even start.
    bool Navigate(const std::string& address);
    bool Busy() const;
    // Once idle: the address of the document loaded (redirects are not followed).
    std::string LocationUrl() const;
    // Once idle: the document's bytes as received.
    std::string Body() const;

    struct State;  // shared with the loading thread, which may outlive the loader

private:
    std::shared_ptr<State> state_;
};

}  // namespace kx
