#include "bench_context.h"

#include "floors.h"
#include "server/service.h"

#include <httplib.h>
#include <stdexcept>

namespace ct::bench {

RpcClient::RpcClient(int port)
    : client_(std::make_unique<httplib::Client>("127.0.0.1", port)) {
    client_->set_keep_alive(true);
    client_->set_tcp_nodelay(true);
    client_->set_read_timeout(600, 0);
    client_->set_write_timeout(600, 0);
}

RpcClient::~RpcClient() = default;

std::string RpcClient::request(const std::string& method, const nlohmann::json& params) {
    return nlohmann::json{{"jsonrpc", "2.0"}, {"id", 1}, {"method", method}, {"params", params}}
        .dump();
}

std::string RpcClient::post(std::string body) {
    // Sent as the program's own client sends a call: the text moved into the request. The
    // library's Post copies it first, 9 MB for a save of the whole big budget.
    httplib::Request req;
    req.method = "POST";
    req.path = "/rpc/PRQ31000.rdmContratante";
    req.set_header("Content-Type", "application/json");
    req.body = std::move(body);
    httplib::Response res;
    httplib::Error error = httplib::Error::Success;
    if (!client_->send(req, res, error)) {
        throw std::runtime_error("no answer from the server");
    }
    return std::move(res.body);
}

nlohmann::json RpcClient::call(const std::string& method, const nlohmann::json& params) {
    nlohmann::json answer = nlohmann::json::parse(post(request(method, params)));
    if (!answer.contains("result")) {
        throw std::runtime_error(method + " failed: " + answer.dump().substr(0, 300));
    }
    return std::move(answer["result"]["value"]);
}

BenchContext::BenchContext(Options options)
    : options_(std::move(options))
    , empty_(std::make_unique<EmptyServer>()) {}

BenchContext::~BenchContext() {
    release_engine();
}

int BenchContext::server_port() const {
    return server_->port();
}

int BenchContext::empty_port() const {
    return empty_->port();
}

void BenchContext::use_engine(server::Engine engine) {
    release_engine();
    database_ = std::make_unique<BenchDatabase>(engine, options_.pg_url);
    server_ = std::make_unique<server::Service>(server::ServiceOptions{
        .url = database_->url(), .host = "127.0.0.1", .port = 0, .demo = server::DemoData::none});
    server_->start();
}

void BenchContext::release_engine() {
    server_.reset();
    database_.reset();
}

std::vector<double> time_us(int count, const std::function<void()>& work) {
    std::vector<double> out;
    out.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        out.push_back(elapsed_us(start));
    }
    return out;
}

double elapsed_us(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - since)
        .count();
}

std::vector<FigureDef>& figure_registry() {
    static std::vector<FigureDef> figures;
    return figures;
}

bool add_figure(FigureDef def) {
    figure_registry().push_back(std::move(def));
    return true;
}

} // namespace ct::bench
