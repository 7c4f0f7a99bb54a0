#pragma once
// The page-request object that page code is given: the host web server's own request
// object, or the plug-in's own `request` when the plug-in's web server runs the page. Page
// code reaches either late-bound, by member name, so both answer these members:
//
//   ServerVariables(name) -> text   a server variable of the request; "REMOTE_ADDR" is the
//                                   address of the client that sent it, "http_user_agent"
//                                   (any case) its "User-Agent" header; "" when absent
//   QueryString(name)     -> value  one decoded item of the query string; "" when absent
//   Form(name)            -> value  one decoded item of the posted form; "" when absent
//
// The host's object also answers QueryString and Form without an argument: a collection
// whose `item`(name) member gives the same value. The plug-in's own `request` answers
// QueryStringCol and FormCol with its collections of name/value pairs.

namespace zephra::page_request {

inline constexpr const char* kServerVariables = "ServerVariables";
inline constexpr const char* kQueryString = "QueryString";
inline constexpr const char* kForm = "Form";
inline constexpr const char* kItem = "item";
inline constexpr const char* kRemoteAddr = "REMOTE_ADDR";

}  // namespace zephra::page_request
