// A web server on 127.0.0.1 that stands in for a customer's server at an ordinary distance: it
// serves the files of a folder and waits a fixed time before each answer, as a round trip of that
// length would. Each connection is served by its own thread, up to 16 at once, with keep-alive.
//
// Usage: latency_server FOLDER DELAY_MS
// Prints the port it listens on, then serves until it is stopped.
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

// A customer's server takes many connections at once (nginx listens with a backlog of 511). The
// library listens with a backlog of 5, which drops some of the connections a client opens
// together and makes them wait for a SYN retransmission; it does not hand out its socket, so the
// listening socket on port is found among the open descriptors and listened on again, which
// widens its backlog.
void WidenBacklog(int port) {
  for (int fd = 3; fd < 1024; ++fd) {
    sockaddr_in address{};
    socklen_t size = sizeof(address);
    int listening = 0;
    socklen_t flag_size = sizeof(listening);
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0 ||
        address.sin_family != AF_INET || ntohs(address.sin_port) != port ||
        ::getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &flag_size) != 0 || !listening) {
      continue;
    }
    ::listen(fd, 512);
    return;
  }
}

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: latency_server FOLDER DELAY_MS\n");
    return 2;
  }
  const std::chrono::milliseconds delay(std::atoi(argv[2]));
  httplib::Server server;
  server.new_task_queue = [] { return new httplib::ThreadPool(64); };
  server.set_keep_alive_max_count(100000);
  // Header and body leave in separate writes: without this, Nagle's rule and the client's
  // delayed acknowledgement would add their own wait to every answer.
  server.set_tcp_nodelay(true);
  if (!server.set_mount_point("/", argv[1])) {
    std::fprintf(stderr, "latency_server: cannot serve \"%s\"\n", argv[1]);
    return 1;
  }
  // The folder itself answers as a customer's server does, so that the probe finds it.
  server.Get("/kestrova", [](const httplib::Request&, httplib::Response& response) {
    response.set_content("mend folder\n", "text/plain");
  });
  server.set_pre_routing_handler([delay](const httplib::Request&, httplib::Response&) {
    std::this_thread::sleep_for(delay);
    return httplib::Server::HandlerResponse::Unhandled;
  });
  const int port = server.bind_to_any_port("127.0.0.1");
  if (port <= 0) return 1;
  WidenBacklog(port);
  std::printf("%d\n", port);
  std::fflush(stdout);
  return server.listen_after_bind() ? 0 : 1;
}
