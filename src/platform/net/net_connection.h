#pragma once

#include "platform/host/server_result.h"
#include "platform/net/answer_reader.h"
#include "platform/net/kept_answers.h"
#include "platform/net/rpc_arg.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace httplib {
class Client;
struct Request;
struct Response;
} // namespace httplib

namespace ct {

// A call's arguments as sent: the JSON text of the request, read as a document only when asked
// (a save of thousands of parties is megabytes of it). From a document, it is that document's text.
class SentParams {
public:
    SentParams() = default;
    SentParams(const nlohmann::json& params);
    static SentParams ofText(std::string text);

    // "null" when there are none.
    const std::string& text() const { return text_; }
    nlohmann::json read() const;
    friend bool operator==(const SentParams& sent, const nlohmann::json& params) {
        return sent.read() == params;
    }
    friend std::ostream& operator<<(std::ostream& out, const SentParams& sent) {
        return out << sent.text_;
    }

private:
    std::string text_ = "null";
};

// One finished server call, as seen by an observer.
struct CallRecord {
    std::string method;
    SentParams params;
    double ms = 0.0; // wall time of the call
    bool ok = false;
    int errorCode = 0;
    std::string errorMessage;
};

using CallObserver = std::function<void(const CallRecord&)>;

// Runs, again and again, on the calling thread while a server call is under way, so that a window
// can keep painting (its progress indicator) during the call. Without a hook a call simply blocks.
// The hook must not start another call. Returns the previous hook.
using WaitHook = std::function<void()>;
WaitHook setWaitHook(WaitHook hook);
// Server calls under way (a window may hold back work meanwhile).
int callsInProgress();
// Whether calls asked ahead are sent at once (the default) or when taken: a server in this process
// on SQLite does its work on the screen's own cores, where a call ahead only competes with the
// call under way (measured: a 10,000-party budget opened 5 ms slower, 20 ms faster on
// PostgreSQL). Returns the previous setting.
bool setCallsAhead(bool sentAtOnce);

// The connection to the application server's remote data module (the suite's TNetConnection):
// JSON-RPC 2.0 over HTTP POST to /rpc/<serverName> on a keep-alive client. Methods are called by
// name with their arguments in order; by-reference arguments receive what the server left in them.
// Every call carries a key of its own (header Idempotency-Key): when the connection is lost
// before the answer came, the call is sent once more under the same key, and the server answers
// a writing call it already committed with its first answer instead of writing it twice.
class NetConnection {
public:
    NetConnection();
    explicit NetConnection(std::string serverName);
    ~NetConnection();
    NetConnection(const NetConnection&) = delete;
    NetConnection& operator=(const NetConnection&) = delete;

    const std::string& serverName() const { return serverName_; }
    void setServerName(std::string name);
    const std::string& host() const { return host_; }
    void setHost(std::string host);
    int port() const { return port_; }
    void setPort(int port);
    // When true, an error result is raised as a ServerError instead of returned.
    bool throwException() const { return throwException_; }
    void setThrowException(bool value) { throwException_ = value; }

    // Runs just before the connection opens, where the host and port are usually set.
    std::function<void(NetConnection&)> beforeConnect;

    // Opening runs beforeConnect and prepares the client; the server is first reached by a call.
    void open();
    void close();
    bool connected() const { return client_ != nullptr; }

    // Calls a method (opening the connection if needed). Never throws for a refusal, a protocol
    // fault or an unreachable server unless throwException is set: those come back as an error
    // result in Portuguese, for CheckResultServ. Variables passed by reference are written only
    // on success.
    ServerResult call(std::string_view method, const std::vector<RpcArg>& args = {});
    // The same, with elements of the result array read by readers of their own straight from the
    // answer's text (a data set's packet, never held as a document); their place in value() is
    // null, and a reader whose element did not come is left incomplete.
    ServerResult call(std::string_view method, const std::vector<RpcArg>& args,
                      const ResultReaders& readers);
    // For calls whose result is read without the check: the payload, or a ServerError, so that an
    // error is never read as an empty text or false.
    nlohmann::json callUnchecked(std::string_view method, const std::vector<RpcArg>& args = {});

    // Observes every call (also failed ones). Returns the previous observer.
    CallObserver setCallObserver(CallObserver observer);

    // A reading call sent at once on a connection of its own, its answer read by take() as
    // call() reads one: meanwhile the caller makes other calls, and the server works on both at a
    // time. For calls without arguments by reference; the readers must outlive it. One never
    // taken is forgotten, its answer unread.
    class CallAhead {
    public:
        ~CallAhead();
        CallAhead(const CallAhead&) = delete;
        CallAhead& operator=(const CallAhead&) = delete;
        // True when these are its arguments.
        bool asks(const std::vector<RpcArg>& args) const;
        // Waits for the answer (running the wait hook) and reads it; once only.
        ServerResult take();

    private:
        friend class NetConnection;
        struct Sent;
        CallAhead(NetConnection& connection, std::string_view method,
                  const std::vector<RpcArg>& args, const ResultReaders& readers);

        NetConnection& connection_;
        std::string method_;
        std::string params_; // as sent
        std::vector<RpcArg> args_;
        ResultReaders readers_;
        long long id_ = 0;
        std::string callKey_;
        std::string held_;
        std::chrono::steady_clock::time_point started_;
        std::future<std::unique_ptr<Sent>> sending_;
    };
    std::unique_ptr<CallAhead> callAhead(std::string_view method, const std::vector<RpcArg>& args,
                                         const ResultReaders& readers);

    // Largest answer accepted; a larger one is cut off and refused.
    static constexpr std::size_t defaultMaxAnswerBytes = 64u * 1024u * 1024u;
    std::size_t maxAnswerBytes() const { return maxAnswerBytes_; }
    void setMaxAnswerBytes(std::size_t bytes) { maxAnswerBytes_ = bytes; }

private:
    // `params`: the arguments as JSON text.
    ServerResult exchange(std::string_view method, const std::string& params,
                          const std::vector<RpcArg>& args, const ResultReaders& readers);
    // serverTag: the server's tag of the answer; stillHeld: the server answered that the readers
    // still hold it (body holds no result).
    ServerResult readAnswer(long long id, const std::string& callKey, std::string body,
                            const std::vector<RpcArg>& args, const ResultReaders& readers,
                            const std::string& serverTag, bool stillHeld);
    std::string nextRequestKey();
    static std::unique_ptr<httplib::Client> makeClient(const std::string& host, int port);
    // The request of a call; its answer's body goes into `body`, refused beyond `limit` bytes.
    httplib::Request request(std::string payload, const std::string& key, const std::string& held,
                             std::string& body, std::size_t limit) const;
    // The text of a call under this id, written around its parameters.
    std::string payload(long long id, std::string_view method, const std::string& params) const;
    // What the server sent back: refusals of the HTTP layer, or the answer read.
    ServerResult answerOf(long long id, const std::string& callKey, const std::string& held,
                          const httplib::Response& res, std::string body,
                          const std::vector<RpcArg>& args, const ResultReaders& readers);
    void observe(std::string_view method, std::string params, double ms,
                 const ServerResult& result);

    std::string serverName_ = "PRQ31000.rdmContratante";
    std::string host_ = "127.0.0.1";
    int port_ = 8431;
    bool throwException_ = false;
    std::unique_ptr<httplib::Client> client_;
    CallObserver observer_;
    long long nextId_ = 1;
    long long lastId_ = 0;
    std::uint64_t keySeed_[2] = {0, 0};
    std::uint64_t keyCount_ = 0;
    std::size_t maxAnswerBytes_ = defaultMaxAnswerBytes;
    KeptAnswers kept_;
};

using TNetConnection = NetConnection;

} // namespace ct
