// Owner of the precompiled Boost.Asio/Beast headers that the socket and HTTP code shares.
