#pragma once

#include <chrono>
#include <cstddef>

namespace ct::server {

// What the endpoint lets one client, and all of them, take of the server. A client waits in
// the kernel's queue (backlog) to be accepted, then in one poller thread while it is idle or
// its request is still arriving; only a request whose headers (and small body) are all there
// takes a worker, and only for as long as it runs. So idle and slow connections never hold a
// worker, and a burst queues instead of being refused.
struct HttpLimits {
    // The largest request body: a delta of 20,000 new parties is about 9 MiB of JSON.
    std::size_t max_body_bytes = 16u * 1024u * 1024u;
    std::size_t max_header_bytes = 32u * 1024u;
    // A body up to this size must have arrived whole before a worker takes the request.
    std::size_t small_body_bytes = 64u * 1024u;
    // Threads running requests (the HTTP library's default is 8); the database sessions still
    // bound the calls that run at once.
    std::size_t workers = 32;
    // Requests ready and waiting for a worker; beyond it the answer is 503 with Retry-After.
    std::size_t queue = 512;
    // Open connections of one client address, and of all clients; beyond them, 503.
    std::size_t per_client = 64;
    std::size_t max_connections = 4096;
    // Connections the kernel holds for us before we accept them (a burst of clients at once).
    int backlog = 1024;
    // A kept connection between requests.
    std::chrono::milliseconds idle{30000};
    // From a request's first byte to its headers (and small body) all there.
    std::chrono::milliseconds header_deadline{10000};
    // Once the headers are there, the longest pause in a small body: a Content-Length longer
    // than what was sent gets its refusal after this, not after the whole deadline.
    std::chrono::milliseconds small_body_pause{1000};
    // From a worker taking the request to its body all read, and the longest pause in it.
    std::chrono::milliseconds body_deadline{60000};
    std::chrono::milliseconds read_pause{5000};
    // Writing one answer, and the longest pause while the client does not take it.
    std::chrono::milliseconds write_deadline{120000};
    std::chrono::milliseconds write_pause{30000};
    int retry_after_seconds = 1;
};

} // namespace ct::server
