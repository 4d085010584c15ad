#include "clientcore/CGatewayTransport.h"

#include "clientcore/CKannelClient.h"

#include <algorithm>
#include <chrono>

CGatewayTransport::CGatewayTransport(CServiceEngine& engine, GatewaySettings settings, LogFn log)
    : m_engine(engine), m_settings(std::move(settings)), m_log(std::move(log)) {}

CGatewayTransport::~CGatewayTransport() {
    Stop();
}

bool CGatewayTransport::Start(std::string& error) {
    if (!m_listener.Start(
            m_settings.reportAddress, m_settings.reportPort,
            [this](const std::vector<CKannelProtocol::Report>& reports) {
                return OnReports(reports);
            },
            error)) {
        return false;
    }
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stop = false;
    }
    // One worker per request made at once ("GatewayRequests").
    for (int i = 0; i < m_settings.requests; ++i) {
        m_workers.emplace_back([this] { Work(); });
    }
    return true;
}

void CGatewayTransport::Stop() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stop = true;
        m_wake.notify_all();
    }
    for (std::thread& worker : m_workers) {
        worker.join();
    }
    m_workers.clear();
    m_listener.Stop();
}

void CGatewayTransport::Wake() {
    std::lock_guard<std::mutex> guard(m_lock);
    ++m_wakes;
    // One new request needs one worker. A worker that is busy now sees the count changed when
    // it next looks and takes the request itself, so none is missed; waking every idle worker
    // would only have them race for the same row, each with a transaction of its own.
    m_wake.notify_one();
}

void CGatewayTransport::Work() {
    CKannelClient client;
    std::unique_lock<std::mutex> lock(m_lock);
    while (!m_stop) {
        std::uint64_t seen = m_wakes;
        lock.unlock();
        std::optional<std::int64_t> retryAt;
        std::optional<GatewayRow> request = m_engine.TakeSubmission(retryAt);
        while (request) {
            CKannelProtocol::Answer answer =
                client.Send(CKannelProtocol::SubmitUrl(SubmitFor(*request)));
            if (answer.outcome != CKannelProtocol::Outcome::Accepted) {
                m_log("the gateway did not take message " + request->guid + " (part " +
                      std::to_string(request->part + 1) + "): " + answer.label + ": " +
                      answer.description);
            }
            // The answer is written together with taking the next request, unless stopping:
            // a request taken is always made.
            bool more = false;
            {
                std::lock_guard<std::mutex> guard(m_lock);
                more = !m_stop;
            }
            request = m_engine.FinishSubmission(*request, answer, more, retryAt);
        }
        lock.lock();
        if (m_stop) {
            break;
        }
        auto woken = [&] { return m_stop || m_wakes != seen; };
        if (retryAt) {
            std::int64_t wait =
                std::clamp<std::int64_t>(*retryAt - CServiceEngine::Now(), 1, 60000);
            m_wake.wait_for(lock, std::chrono::milliseconds(wait), woken);
        } else {
            m_wake.wait(lock, woken);
        }
    }
}

CKannelProtocol::Submit CGatewayTransport::SubmitFor(const GatewayRow& request) const {
    CKannelProtocol::Submit submit;
    submit.sendUrl = m_settings.sendUrl;
    submit.user = m_settings.user;
    submit.password = m_settings.password;
    submit.from = request.originator;
    submit.to = request.numbers;
    submit.text = request.text;
    submit.ucs2 = request.ucs2;
    submit.flash = request.flash;
    submit.callbackUrl = m_settings.callbackUrl;
    submit.guid = request.guid;
    submit.secret = request.secret;
    submit.part = request.part;
    return submit;
}

std::vector<int> CGatewayTransport::OnReports(const std::vector<CKannelProtocol::Report>& reports) {
    std::vector<int> statuses = m_engine.ApplyReports(reports);
    for (std::size_t i = 0; i < reports.size(); ++i) {
        const CKannelProtocol::Report& report = reports[i];
        int& status = statuses[i];
        if (status == 403) {
            m_log("refused a delivery report for message " + report.guid +
                  " with a wrong secret; nothing was changed");
        } else if (status == 404) {
            m_log("ignored a delivery report for an unknown message or recipient (" + report.guid +
                  ", " + report.number + ")");
        } else if (status == 204) {
            status = 200; // taken; nothing new in it
        } else if (status != 200) {
            m_log("could not apply a delivery report for message " + report.guid + " (status " +
                  std::to_string(status) + "); the gateway will call again");
        }
    }
    return statuses;
}
